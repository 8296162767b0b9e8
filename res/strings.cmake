# The string database (RCDATA 190), built from the text table strings.tsv.
add_custom_command(OUTPUT ${generated}/strings.bin
                   COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/make_string_database.py
                           ${CMAKE_CURRENT_SOURCE_DIR}/strings.tsv ${generated}/strings.bin
                   DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_string_database.py ${CMAKE_CURRENT_SOURCE_DIR}/strings.tsv
                   COMMENT "Building the string database")
list(APPEND GENERATED_RESOURCES ${generated}/strings.bin)
