# Fails when a file under src/ includes a header of a folder its layer may not use, or when a
# logic file includes a Qt Widgets header.
#   cmake -DSOURCE_DIR=<repository> [-DWIDGETS_INCLUDE_DIR=<.../QtWidgets>] -P cmake/CheckLayers.cmake
# The table is the layering of docs/ARCHITECTURE.md; src/main.cpp counts as app. Tests are
# exempt: they may reach into any layer.
#
# Widgets are for windows: display/, app/, the chart's drawing engine (chart/, on QCustomPlot),
# the platform's Qt adapters (platform/Qt*, platform/QCustomPlot*) and the window files beside
# their logic (names ending in Dialog, Window, Box or Edit). A header counts as a Widgets one
# when it names a file of the Qt Widgets include folder, or is QCustomPlot's.

cmake_minimum_required(VERSION 3.25)

set(may_include_common "")
set(may_include_chart common)
set(may_include_platform common chart)
set(may_include_presentation common)
set(may_include_config common platform presentation)
set(may_include_device common platform config)
set(may_include_recording common chart platform config)
set(may_include_acquisition common platform presentation config device recording)
set(may_include_display common chart platform presentation config acquisition recording)
set(may_include_app common chart platform presentation config device acquisition recording display)
set(layers common chart platform presentation config device recording acquisition display app)
set(widgets_layers chart display app)

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

    get_filename_component(name ${file} NAME_WE)
    set(adapter OFF)
    if(layer STREQUAL "platform" AND name MATCHES "^(Qt|QCustomPlot)")
        set(adapter ON)
    endif()
    if(adapter OR layer IN_LIST widgets_layers OR name MATCHES "(Dialog|Window|Box|Edit)$")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/src/${file} system_includes REGEX "^[ \t]*#[ \t]*include[ \t]*<")
    foreach(line ${system_includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*<([^>]*)>.*" "\\1" header "${line}")
        string(REGEX REPLACE "^QtWidgets/" "" bare "${header}")
        if(header STREQUAL "qcustomplot.h" OR header STREQUAL "QtWidgets"
           OR (WIDGETS_INCLUDE_DIR AND EXISTS ${WIDGETS_INCLUDE_DIR}/${bare}
               AND NOT IS_DIRECTORY ${WIDGETS_INCLUDE_DIR}/${bare}))
            list(APPEND violations "src/${file}: logic may not include the widget header <${header}>")
        endif()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n" text)
    message(FATAL_ERROR "Includes that cross a layer the wrong way:\n${text}")
endif()
list(LENGTH files count)
message(STATUS "Layers: ${count} files, every include allowed")
