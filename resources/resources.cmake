# Compiles the PNG files of this folder into kesto_gui: each becomes a byte
# array, found at run time by its resource name. Plain CMake, no extra tools;
# editing a PNG re-runs the configure step.
set(KESTO_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
set(KESTO_RESOURCES "AppIcon=appicon.png" "CheckBmp=checkbmp.png")

set(_arrays "")
set(_table "")
foreach(entry ${KESTO_RESOURCES})
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 res_name)
  list(GET pair 1 res_file)
  set(res_path ${KESTO_RESOURCE_DIR}/${res_file})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${res_path})
  file(READ ${res_path} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR byte_count "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND _arrays "static const unsigned char data_${res_name}[${byte_count}] = {\n${bytes}\n};\n")
  string(APPEND _table "    {\"${res_name}\", data_${res_name}, sizeof data_${res_name}},\n")
endforeach()

set(_generated ${CMAKE_BINARY_DIR}/resources/resources_data.cpp)
file(CONFIGURE OUTPUT ${_generated} CONTENT
"// Generated from the PNG files of resources/ by resources.cmake; do not edit.
#include \"resources_data.h\"

@_arrays@
const EmbeddedResource theEmbeddedResources[] = {
@_table@};
const size_t theEmbeddedResourceCount = sizeof theEmbeddedResources / sizeof theEmbeddedResources[0];
" @ONLY)

target_sources(kesto_gui PRIVATE ${KESTO_RESOURCE_DIR}/resources.cpp ${_generated})
