# Fails when a C++ source of the project differs from its clang-format form.
file(GLOB_RECURSE sources
    ${SOURCE_DIR}/abi/*.c ${SOURCE_DIR}/abi/*.h
    ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
    ${SOURCE_DIR}/sim/*.cpp ${SOURCE_DIR}/sim/*.h
    ${SOURCE_DIR}/adapters/*.cpp ${SOURCE_DIR}/adapters/*.h
    ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
    ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
    ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
    RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Sources need clang-format (make format):\n${errors}")
endif()
