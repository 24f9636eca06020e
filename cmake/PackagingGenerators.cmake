# Read by cpack once per generator: each package installs its own component (Packaging.cmake).
if(CPACK_GENERATOR STREQUAL "TGZ")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_ROLLCALL_BUILD_DIR};rollcall;portable;/")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_ROLLCALL_PORTABLE_NAME}")
elseif(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_ROLLCALL_BUILD_DIR};rollcall;deb;/")
  # The component's paths (opt/, usr/) are from the root of the system.
  set(CPACK_PACKAGING_INSTALL_PREFIX "/")
endif()
