# Run as a script (cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=symbol -P EmbedFile.cmake):
# writes a C++ source that holds the bytes of INPUT as `const unsigned char NAME[]` and its size
# as `NAME_size`, for data a library carries inside itself.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.new" "// Made from ${INPUT} at build time.\n#include <cstddef>\n\n"
  "extern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME}_size;\n\n"
  "const unsigned char ${NAME}[] = {\n    ${bytes}\n};\nconst std::size_t ${NAME}_size = ${size};\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
