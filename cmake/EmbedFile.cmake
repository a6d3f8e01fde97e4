# Writes OUTPUT, a C++ source whose function NAME returns the bytes of INPUT,
# so that a file the run writes out travels inside the program.
# Usage: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -DHEADER=... -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
"// Generated from ${INPUT}; do not edit.
#include \"${HEADER}\"

namespace tervanil {
namespace {
const unsigned char bytes[${size} + 1] = {
    ${bytes}0};
}

std::string_view ${NAME}() {
    return {reinterpret_cast<const char*>(bytes), ${size}};
}

} // namespace tervanil
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
