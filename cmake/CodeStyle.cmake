# `cmake --build --preset dev --target format` puts every source file of the project in the
# shape of .clang-format. scripts/lint checks the same without changing anything.
find_program(CLANG_FORMAT NAMES clang-format-14 clang-format)
if(CLANG_FORMAT)
  file(GLOB_RECURSE format_sources CONFIGURE_DEPENDS
       LIST_DIRECTORIES false
       RELATIVE ${PROJECT_SOURCE_DIR}
       ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h
       ${PROJECT_SOURCE_DIR}/engine/*.cpp ${PROJECT_SOURCE_DIR}/engine/*.h
       ${PROJECT_SOURCE_DIR}/platform/*.cpp ${PROJECT_SOURCE_DIR}/platform/*.h
       ${PROJECT_SOURCE_DIR}/desktop/*.cpp ${PROJECT_SOURCE_DIR}/desktop/*.h
       ${PROJECT_SOURCE_DIR}/offsite/*.cpp ${PROJECT_SOURCE_DIR}/offsite/*.h
       ${PROJECT_SOURCE_DIR}/ui/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.h
       ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
       ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/bench/*.h
       ${PROJECT_SOURCE_DIR}/fuzz/*.cpp ${PROJECT_SOURCE_DIR}/fuzz/*.h)
  add_custom_target(format
    COMMAND ${CLANG_FORMAT} -i --style=file ${format_sources}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Formatting the sources with ${CLANG_FORMAT}"
    VERBATIM)
else()
  add_custom_target(format
    COMMAND ${CMAKE_COMMAND} -E echo "clang-format is missing: run scripts/ensure-packages"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
