# Writes a C++ source that carries files as constant data, one accessor per file:
#   std::span<const uint8_t> rc::NAME();
# The bytes are pulled in by the assembler (.incbin), so large files cost no compile time.
# Run as: cmake -DOUTPUT=out.cpp -DNAMES=A;B -DFILES=a;b -P embed_files.cmake
list(LENGTH NAMES count)
list(LENGTH FILES file_count)
if(NOT count EQUAL file_count)
  message(FATAL_ERROR "embed_files: NAMES and FILES differ in length")
endif()

set(text "// Generated at build time from the files it carries; do not edit.\n")
string(APPEND text "#include <cstdint>\n#include <span>\n\n")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET NAMES ${i} name)
  list(GET FILES ${i} file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "embed_files: ${file} does not exist")
  endif()
  if(file MATCHES "[\"\\\\\n]")
    message(FATAL_ERROR "embed_files: cannot embed a path with quotes or backslashes: ${file}")
  endif()
  string(APPEND text
    "__asm__(\".pushsection .rodata.rc_embedded_${name}, \\\"a\\\", @progbits\\n\"\n"
    "        \".balign 64\\n\"\n"
    "        \"rc_embedded_${name}_begin:\\n\"\n"
    "        \".incbin \\\"${file}\\\"\\n\"\n"
    "        \"rc_embedded_${name}_end:\\n\"\n"
    "        \".popsection\\n\");\n"
    "extern \"C\" __attribute__((visibility(\"hidden\"))) const uint8_t rc_embedded_${name}_begin[];\n"
    "extern \"C\" __attribute__((visibility(\"hidden\"))) const uint8_t rc_embedded_${name}_end[];\n"
    "namespace rc {\n"
    "std::span<const uint8_t> ${name}() {\n"
    "  return {rc_embedded_${name}_begin, rc_embedded_${name}_end};\n"
    "}\n"
    "}  // namespace rc\n\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
