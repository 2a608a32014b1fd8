# Shared build settings: one static library per source folder, warnings everywhere,
# and the test properties every test executable gets.

function(quorlin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(QUORLIN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# quorlin_library(<folder> [PUBLIC <targets...>] [PRIVATE <targets...>]) builds
# src/<folder>/*.cpp into quorlin_<folder>. PUBLIC names what the folder's headers include,
# PRIVATE what only its sources include. A library sees the headers of its own folder and of
# the libraries it links, nothing else: each folder gets an include folder of its own in the
# build tree holding one link, <folder> -> src/<folder>, so "<folder>/Header.h" resolves only
# where quorlin_<folder> is linked.
function(quorlin_library folder)
    cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
    set(include_dir ${CMAKE_BINARY_DIR}/include/${folder})
    file(MAKE_DIRECTORY ${include_dir})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${folder} ${include_dir}/${folder} SYMBOLIC)
    add_library(quorlin_${folder} STATIC ${sources})
    target_include_directories(quorlin_${folder} PUBLIC ${include_dir})
    target_link_libraries(quorlin_${folder} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
    quorlin_warnings(quorlin_${folder})
endfunction()

# quorlin_test_folder(<folder> DEPS <targets...>) builds tests/<folder>/*.cpp into one
# executable and registers every GoogleTest case with CTest.
function(quorlin_test_folder folder)
    cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS;LABELS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    set(exe quorlin_tests_${folder})
    string(REPLACE "/" "_" exe ${exe})
    add_executable(${exe} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/main/TestMain.cpp)
    target_link_libraries(${exe} PRIVATE quorlin_testsupport ${ARG_DEPS})
    quorlin_warnings(${exe})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(NOT ARG_LABELS)
        set(ARG_LABELS ${folder})
    endif()
    gtest_discover_tests(${exe}
        DISCOVERY_TIMEOUT 60
        PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUORLIN_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp"
            TIMEOUT ${ARG_TIMEOUT}
            LABELS "${ARG_LABELS}")
endfunction()
