file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT}; do not edit.\n#include <string_view>\nnamespace drivecopy::embedded {\nstatic const char data[] = {${bytes} 0};\nstd::string_view ${SYMBOL}() { return {data, ${byte_count}}; }\n}\n")
