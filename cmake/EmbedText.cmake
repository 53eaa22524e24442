# cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=kName -P EmbedText.cmake
# Writes a source file defining `extern const char vellum::NAME[]` (the input's bytes followed
# by a terminating zero) and `extern const unsigned long vellum::NAME_SIZE` (without it).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){24})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "namespace vellum {\n\nextern const char ${NAME}[];\nextern const unsigned long ${NAME}_SIZE;\nconst char ${NAME}[] = {\n${bytes}\n'\\0'};\nconst unsigned long ${NAME}_SIZE = ${size}UL;\n\n}  // namespace vellum\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
