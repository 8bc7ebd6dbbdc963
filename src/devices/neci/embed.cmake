# Writes the bytes of INPUT as the body of neciResource() into OUTPUT.
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],)(0x[0-9a-f][0-9a-f],))" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}"
"// Generated from ${INPUT}; do not edit.
#include \"devices/NeciResource.h\"

namespace oculon::devices {
namespace {
const unsigned char kImage[] = {
${bytes}
};
}  // namespace

std::string_view neciResource() { return {reinterpret_cast<const char*>(kImage), sizeof kImage}; }

}  // namespace oculon::devices
")
