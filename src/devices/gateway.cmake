# The serial-to-Ethernet gateway library: our stand-in is built here as a
# shared library of its own, and its file image is compiled into
# oculon_devices as the resource "NECI", which the program writes to the temp
# folder and loads from there.

add_library(neci_sdk SHARED
  ${CMAKE_CURRENT_LIST_DIR}/neci/NeciSdk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/neci/NeciProtocol.cpp)
target_include_directories(neci_sdk PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(neci_sdk PROPERTIES
  OUTPUT_NAME NECI_SDK PREFIX "" SUFFIX ".so"
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
# The image is loaded by every build of the program, sanitized or not, so it
# carries no sanitizer runtime; optimized and stripped, it stays small.
set_property(TARGET neci_sdk PROPERTY COMPILE_OPTIONS -Wall -Wextra -Wpedantic -O2)
set_property(TARGET neci_sdk PROPERTY LINK_OPTIONS -s -Wl,--no-undefined)

set(neci_resource ${CMAKE_CURRENT_BINARY_DIR}/devices/NeciResource.cpp)
add_custom_command(
  OUTPUT ${neci_resource}
  COMMAND ${CMAKE_COMMAND} -DINPUT=$<TARGET_FILE:neci_sdk> -DOUTPUT=${neci_resource}
          -P ${CMAKE_CURRENT_LIST_DIR}/neci/embed.cmake
  DEPENDS neci_sdk ${CMAKE_CURRENT_LIST_DIR}/neci/embed.cmake
  COMMENT "Embedding the gateway library as the resource NECI")

# The protocol code also serves the simulated gateway and the fuzz target.
target_sources(oculon_devices PRIVATE ${neci_resource} ${CMAKE_CURRENT_LIST_DIR}/neci/NeciProtocol.cpp)
