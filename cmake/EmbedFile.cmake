# embed_file(OUTPUT_CPP INPUT_FILE SYMBOL): generates a C++ source that defines
#   std::string_view SYMBOL() returning the file's bytes, so data files such as
#   the message catalogue and the demo machine travel inside the program.
function(embed_file output input symbol)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFileScript.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/EmbedFileScript.cmake
    COMMENT "Embedding ${input}")
endfunction()
