# The two packages a teacher installs, both made by cpack in the build folder
# (tools/package.sh builds what they need and runs it):
#   rollcall-<version>-portable.tar.gz  one folder rollcall/ that runs wherever it is unpacked,
#                                       its classes in its own date/;
#   rollcall_<version>_<arch>.deb       the program in /opt/rollcall, the rollcall command that
#                                       runs each user's own copy, the menu entry and icon.
# The layouts differ because the program keeps its data beside itself, so each package
# installs a component of its own; PackagingGenerators.cmake picks it per generator. Both are
# EXCLUDE_FROM_ALL, so a plain "cmake --install" installs neither.

set(ROLLCALL_PACKAGE_VERSION 1.0.0)

# The voice file is made afresh for the packages, apart from build/VoxSound.dat, which
# tools/run.sh makes once and which may be a developer's own. This one is the build's own
# output, so a rebuilt voicepack replaces it (--force).
set(rollcall_packaged_files rollcall edbtool)
if(TARGET voicepack)
  set(ROLLCALL_PACKAGED_VOICE ${PROJECT_BINARY_DIR}/packaging/VoxSound.dat)
  add_custom_command(OUTPUT ${ROLLCALL_PACKAGED_VOICE}
    COMMAND voicepack --force --output ${ROLLCALL_PACKAGED_VOICE}
    DEPENDS voicepack
    COMMENT "Making the voice file for the packages"
    VERBATIM)
  list(APPEND rollcall_packaged_files ${ROLLCALL_PACKAGED_VOICE})
endif()
# Everything the packages hold, so that cpack can run right after an ordinary build. Not in
# the sanitizer build, where the voice pack tool would run instrumented for nothing.
if(ROLLCALL_SANITIZE)
  add_custom_target(package_files DEPENDS ${rollcall_packaged_files})
else()
  add_custom_target(package_files ALL DEPENDS ${rollcall_packaged_files})
endif()

# rollcall_package_program(COMPONENT DESTINATION): the program, edbtool and the voice file.
function(rollcall_package_program component destination)
  install(TARGETS rollcall edbtool RUNTIME DESTINATION ${destination}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
  if(ROLLCALL_PACKAGED_VOICE)
    install(FILES ${ROLLCALL_PACKAGED_VOICE} DESTINATION ${destination}
            COMPONENT ${component} EXCLUDE_FROM_ALL)
  endif()
endfunction()

# The portable folder: the desktop entry and icon go along for install-desktop-entry.sh.
rollcall_package_program(portable rollcall)
install(PROGRAMS tools/install-desktop-entry.sh DESTINATION rollcall
        COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES packaging/rollcall.desktop packaging/rollcall.svg DESTINATION rollcall
        COMPONENT portable EXCLUDE_FROM_ALL)
install(DIRECTORY DESTINATION rollcall/date COMPONENT portable EXCLUDE_FROM_ALL)

# The Debian package.
rollcall_package_program(deb opt/rollcall)
install(PROGRAMS packaging/launcher.sh DESTINATION usr/bin RENAME rollcall
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES packaging/rollcall.desktop DESTINATION usr/share/applications
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES packaging/rollcall.svg DESTINATION usr/share/icons/hicolor/scalable/apps
        COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_NAME rollcall)
set(CPACK_PACKAGE_VERSION ${ROLLCALL_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR rollcall)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "classroom roll call: press C in any program to pick a student at random")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# The archive holds rollcall/ itself, not a folder named after the package file.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ROLLCALL_PORTABLE_NAME rollcall-${ROLLCALL_PACKAGE_VERSION}-portable)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "rollcall maintainers <rollcall@example.org>")
# The summary above is the first line of the package's description; cpack indents these.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Run it beside a slide show. Press C in any program: a narrow window rolls the
names of the class, picks a student at random, counts the pick and reads the
name aloud. X counts a wrong answer, V shows the statistics. Each user runs a
copy of the program in ~/.local/share/rollcall/, with the classes in its date/
folder.")
# Qt, xcb and the C++ run-time are found in the program by dpkg-shlibdeps. SDL is opened
# with dlopen at the first sound, so it is invisible there and named by hand, as is the
# CJK font the windows are drawn with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, fonts-noto-cjk")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingGenerators.cmake)
# Variables named CPACK_* reach the generator script through CPackConfig.cmake.
set(CPACK_ROLLCALL_BUILD_DIR ${PROJECT_BINARY_DIR})
include(CPack)
