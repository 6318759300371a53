# Fails when a C++ source or header of the repository differs from its clang-format output.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/core/*.cpp ${SOURCE_DIR}/core/*.h ${SOURCE_DIR}/kinship/*.cpp
     ${SOURCE_DIR}/kinship/*.h ${SOURCE_DIR}/reports/*.cpp ${SOURCE_DIR}/reports/*.h
     ${SOURCE_DIR}/gedcom/*.cpp ${SOURCE_DIR}/gedcom/*.h
     ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/platform/*.cpp
     ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tools/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/bench/*.cpp
     ${SOURCE_DIR}/bench/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Sources differ from clang-format's output: run clang-format -i on them.")
endif()
