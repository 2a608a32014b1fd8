# Fails when a file under src/ includes a header of a folder its layer may not use.
#   cmake -DSOURCE_DIR=<repository> -P cmake/CheckLayers.cmake
# The table is the layering of docs/ARCHITECTURE.md; src/main.cpp counts as app. Tests are
# exempt: they may reach into any layer.

cmake_minimum_required(VERSION 3.25)

set(may_include_common "")
set(may_include_platform common)
set(may_include_presentation common)
set(may_include_config common platform presentation)
set(may_include_device common platform config)
set(may_include_recording common platform config)
set(may_include_acquisition common platform presentation config device recording)
set(may_include_display common platform presentation config acquisition recording)
set(may_include_app common platform presentation config device acquisition recording display)
set(layers common platform presentation config device recording acquisition display app)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckLayers: pass -DSOURCE_DIR=<repository>")
endif()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(violations "")
foreach(file ${files})
    string(REGEX MATCH "^[^/]+/" folder ${file})
    string(REPLACE "/" "" layer "${folder}")
    if(layer STREQUAL "")
        set(layer app)
    endif()
    if(NOT layer IN_LIST layers)
        list(APPEND violations "src/${file}: folder '${layer}' is not a layer")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/src/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
        if(NOT header MATCHES "^([^/]+)/")
            continue()  # a header beside the file
        endif()
        set(target ${CMAKE_MATCH_1})
        if(target STREQUAL layer OR target IN_LIST may_include_${layer})
            continue()
        endif()
        list(APPEND violations "src/${file}: ${layer} may not include ${header}")
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n" text)
    message(FATAL_ERROR "Includes that cross a layer the wrong way:\n${text}")
endif()
list(LENGTH files count)
message(STATUS "Layers: ${count} files, every include allowed")
