# Turns a binary file into a C++ array: -DINPUT= -DOUTPUT= -DSYMBOL=
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "#include <cstddef>\nnamespace orvanta {\nextern const unsigned char ${SYMBOL}[] = {${bytes}};\nextern const std::size_t ${SYMBOL_SIZE} = ${size};\n}\n")
