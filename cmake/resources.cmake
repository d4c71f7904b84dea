# The program's pictures are generated at build time by tools/picgen, a host program of ours (the
# generator is the source: no binary art is committed). tools/picgen/outputs.txt lists the files it
# writes for the resources (the 100 % pictures); resources/velmora.rc names them. The program draws
# every other scale at run time. tools/picgen/larger_outputs.txt lists the pictures at 150 and 200 %
# it writes beside them for the picture test alone, which compares the program's drawing with them.
find_program(HOST_CXX NAMES g++ c++ REQUIRED)
set(PICGEN_DIR ${CMAKE_BINARY_DIR}/generated/resources)
# It links the cores that draw the pictures, the same code the program draws them with at run time:
# the rasteriser (win32/core/raster), the palette's pictures on its layout, the board bar's, the
# page cursors, the highlighters' colours, and the logos and help pages, and the layouts they stand
# on.
file(GLOB picgen_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/picgen/*.cpp
     ${CMAKE_SOURCE_DIR}/palette/core/*.cpp ${CMAKE_SOURCE_DIR}/board/core/board_bar_layout.cpp
     ${CMAKE_SOURCE_DIR}/board/core/board_bar_pictures.cpp ${CMAKE_SOURCE_DIR}/pages/core/cursor_pictures.cpp
     ${CMAKE_SOURCE_DIR}/pages/core/highlight.cpp ${CMAKE_SOURCE_DIR}/app/core/logo_pictures.cpp ${CMAKE_SOURCE_DIR}/win32/core/raster.cpp
     ${CMAKE_SOURCE_DIR}/win32/core/board_monitor.cpp)
file(GLOB picgen_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/picgen/*.h ${CMAKE_SOURCE_DIR}/palette/core/*.h
     ${CMAKE_SOURCE_DIR}/board/core/*.h ${CMAKE_SOURCE_DIR}/win32/core/*.h ${CMAKE_SOURCE_DIR}/pages/core/*.h
     ${CMAKE_SOURCE_DIR}/app/core/*.h)
file(STRINGS ${CMAKE_SOURCE_DIR}/tools/picgen/outputs.txt picgen_names REGEX "^[^#]")
set(picgen_outputs)
foreach(n ${picgen_names})
    list(APPEND picgen_outputs ${PICGEN_DIR}/${n})
endforeach()
set(PICGEN_LARGER_DIR ${CMAKE_BINARY_DIR}/generated/larger-pictures)
file(STRINGS ${CMAKE_SOURCE_DIR}/tools/picgen/larger_outputs.txt picgen_larger_names REGEX "^[^#]")
set(picgen_larger_outputs)
set(larger_rc "// The pictures at 150 and 200 % as tools/picgen draws them, for the picture test alone.\n")
foreach(n ${picgen_larger_names})
    list(APPEND picgen_larger_outputs ${PICGEN_LARGER_DIR}/${n})
    string(REGEX REPLACE "^bitmap([0-9]+)\\.bmp$" "\\1" larger_id ${n})
    string(APPEND larger_rc "${larger_id} BITMAP \"${n}\"\n")
endforeach()
file(CONFIGURE OUTPUT ${PICGEN_LARGER_DIR}/larger_pictures.rc CONTENT "${larger_rc}")
set(PICGEN_EXE ${CMAKE_BINARY_DIR}/host-tools/picgen)
add_custom_command(
    OUTPUT ${PICGEN_EXE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host-tools
    COMMAND ${HOST_CXX} -std=c++17 -O2 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR} ${picgen_sources} -o ${PICGEN_EXE}
    DEPENDS ${picgen_sources} ${picgen_headers}
    COMMENT "Building the picture generator (host)")
add_custom_command(
    OUTPUT ${picgen_outputs} ${picgen_larger_outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PICGEN_DIR}
    COMMAND ${PICGEN_EXE} ${PICGEN_DIR} --larger ${PICGEN_LARGER_DIR}
    DEPENDS ${PICGEN_EXE}
    COMMENT "Generating the program's pictures")
add_custom_target(picgen_run DEPENDS ${picgen_outputs} ${picgen_larger_outputs})

set(VELMORA_VERSION_DIR ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${VELMORA_VERSION_DIR}/version.h @ONLY)
# Two manifests: the one of every build (uiAccess false) and the one of the signed release's
# program (uiAccess true), which only a signed program installed under Program Files may carry.
set(VELMORA_UI_ACCESS false)
configure_file(${CMAKE_SOURCE_DIR}/resources/velmora.manifest.in ${VELMORA_VERSION_DIR}/velmora.manifest @ONLY)
set(VELMORA_UI_ACCESS true)
configure_file(${CMAKE_SOURCE_DIR}/resources/velmora.manifest.in ${VELMORA_VERSION_DIR}/velmora-uiaccess.manifest @ONLY)

# The resources once per manifest: only windres runs twice.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/velmora.rc PROPERTIES
    OBJECT_DEPENDS "${picgen_outputs};${VELMORA_VERSION_DIR}/velmora.manifest;${VELMORA_VERSION_DIR}/velmora-uiaccess.manifest;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${VELMORA_VERSION_DIR}/version.h")
foreach(variant velmora_resources velmora_resources_uiaccess)
    add_library(${variant} OBJECT ${CMAKE_SOURCE_DIR}/resources/velmora.rc)
    target_include_directories(${variant} PRIVATE ${PICGEN_DIR} ${VELMORA_VERSION_DIR}
                               ${CMAKE_SOURCE_DIR}/resources)
    add_dependencies(${variant} picgen_run)
endforeach()
target_compile_definitions(velmora_resources_uiaccess PRIVATE VELMORA_UI_ACCESS)

# The pictures at 150 and 200 %, linked into the picture test alone (win_palette_pictures, made
# after this file is read: the link is added once the whole tree is read).
set_source_files_properties(${PICGEN_LARGER_DIR}/larger_pictures.rc PROPERTIES OBJECT_DEPENDS
                                                                              "${picgen_larger_outputs}")
add_library(velmora_larger_pictures OBJECT ${PICGEN_LARGER_DIR}/larger_pictures.rc)
add_dependencies(velmora_larger_pictures picgen_run)
function(velmora_link_larger_pictures)
    if(TARGET win_palette_pictures)
        target_link_libraries(win_palette_pictures PRIVATE velmora_larger_pictures)
    endif()
endfunction()
cmake_language(DEFER CALL velmora_link_larger_pictures)
