# cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=Name -DHEADER=include/path.h -P EmbedBinary.cmake
# Writes a source file defining `vellum::TEmbeddedBytes vellum::Name()` over the input's bytes.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "#include \"${HEADER}\"\n\nnamespace vellum {\n\nnamespace {\nconst unsigned char kBytes[] = {\n${bytes}\n};\n}  // namespace\n\nTEmbeddedBytes ${FUNCTION}() {\n    return {kBytes, ${size}UL};\n}\n\n}  // namespace vellum\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
