find_package(GTest REQUIRED)

# pelorin_add_test(NAME <name> LABEL unit|integration SOURCES ... LIBS ...)
# Registers one GoogleTest executable with CTest on the offscreen platform. Integration tests run the
# simulator on loopback sockets and share a resource lock, so that they never compete for ports or
# time; unit tests run beside anything.
function(pelorin_add_test)
    cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE pelorin_test_main ${T_LIBS} pelorin_options)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(env "QT_QPA_PLATFORM=offscreen"
            "ASAN_OPTIONS=detect_leaks=0" "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}" TIMEOUT 300 ENVIRONMENT "${env}")
    if(T_LABEL STREQUAL "integration")
        set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK loopback)
    endif()
endfunction()
