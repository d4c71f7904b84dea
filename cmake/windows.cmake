# Windows tree (MinGW-w64): the program, the simulated-board build, the simulated board, the tests
# that run under Wine and the Wine benchmarks.
enable_language(RC)

# Every executable is static: no MinGW runtime DLLs to ship or to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static")
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

set(VELMORA_SYSTEM_LIBS setupapi hid comctl32 windowscodecs ole32 gdi32 user32 advapi32 shell32 kernel32)

velmora_core_libs("" VELMORA_CORE_LIBS)

# The Win32 shell, one library per room. WinMain and the two bindings of the device seam are left
# out: each program picks its own.
set(VELMORA_SHELL_LIBS)
foreach(sub ${VELMORA_SUBSYSTEMS})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${sub}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/(winmain|device_seam_real|device_seam_sim)\\.cpp$")
    if(sources)
        add_library(shell_${sub} STATIC ${sources})
        target_include_directories(shell_${sub} PUBLIC ${CMAKE_SOURCE_DIR})
        velmora_warnings(shell_${sub})
        list(APPEND VELMORA_SHELL_LIBS shell_${sub})
    endif()
endforeach()

add_library(velmora_libs INTERFACE)
target_link_libraries(velmora_libs INTERFACE
    "$<LINK_GROUP:RESCAN,${VELMORA_SHELL_LIBS},${VELMORA_CORE_LIBS}>" ${VELMORA_SYSTEM_LIBS})

include(cmake/resources.cmake)

# The simulated board: a library for tests and a program for the demo and for people. Its files
# share simboard_internal.h; simboard_main.cpp is the program alone.
file(GLOB simboard_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/simboard/*.cpp)
list(FILTER simboard_sources EXCLUDE REGEX "/simboard_main\\.cpp$")
if(simboard_sources)
    add_library(simboard STATIC ${simboard_sources})
    target_include_directories(simboard PUBLIC ${CMAKE_SOURCE_DIR})
    velmora_warnings(simboard)
    target_link_libraries(simboard PUBLIC "$<LINK_GROUP:RESCAN,${VELMORA_CORE_LIBS}>" user32 advapi32 kernel32)
    if(EXISTS ${CMAKE_SOURCE_DIR}/tools/simboard/simboard_main.cpp)
        add_executable(simboard_exe tools/simboard/simboard_main.cpp)
        set_target_properties(simboard_exe PROPERTIES OUTPUT_NAME simboard)
        velmora_warnings(simboard_exe)
        target_link_libraries(simboard_exe PRIVATE simboard)
    endif()
endif()

# The binding of the device seam to the simulated devices, compiled once for the simulated-board
# build, the tests and the benchmarks.
add_library(device_seam_sim OBJECT ${CMAKE_SOURCE_DIR}/sensor/device_seam_sim.cpp)
velmora_warnings(device_seam_sim)
target_link_libraries(device_seam_sim PUBLIC velmora_libs)

# The product binds the real SetupAPI/HID enumeration; the simulated-board build binds the
# simulated devices. Everything else is the same code.
# The programs are linked without their symbol tables (-s) in a release build: the tables (of the
# statically linked runtime above all) are over a quarter of the program's size, and nothing reads
# them.
function(velmora_program name)
    add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/app/winmain.cpp)
    velmora_warnings(${name})
    target_link_libraries(${name} PRIVATE velmora_resources velmora_libs)
    target_link_options(${name} PRIVATE $<$<CONFIG:Release>:-s>)
endfunction()
if(EXISTS ${CMAKE_SOURCE_DIR}/app/winmain.cpp)
    velmora_program(Velmora)
    target_sources(Velmora PRIVATE ${CMAKE_SOURCE_DIR}/sensor/device_seam_real.cpp)
    velmora_program(VelmoraSim)
    target_link_libraries(VelmoraSim PRIVATE device_seam_sim)
endif()

# The program of a signed release (scripts/release.sh with a certificate): Velmora.exe's own
# objects linked a second time, with the manifest that asks for uiAccess. Nothing is compiled
# again. Unsigned it does not start; scripts/sign.sh signs it.
if(TARGET Velmora AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_executable(VelmoraUiAccess WIN32 $<TARGET_OBJECTS:Velmora>)
    target_link_libraries(VelmoraUiAccess PRIVATE velmora_resources_uiaccess velmora_libs)
    target_link_options(VelmoraUiAccess PRIVATE $<$<CONFIG:Release>:-s>)
endif()

# The installer (installer/velmora.nsi), 64-bit trees only: NSIS's amd64-unicode stubs, so it runs
# where the program runs and writes the 64-bit registry. Warnings fail the build.
if(TARGET Velmora AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    find_program(MAKENSIS makensis REQUIRED)
    set(VELMORA_SETUP_NAME VelmoraSetup-${PROJECT_VERSION}.exe)
    set(VELMORA_SETUP ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${VELMORA_SETUP_NAME})
    file(GLOB installer_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/installer/*)
    add_custom_command(
        OUTPUT ${VELMORA_SETUP}
        COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DPROGRAM=$<TARGET_FILE:Velmora>
                -DICON=${PICGEN_DIR}/icon103.ico -DOUT_FILE=${VELMORA_SETUP} velmora.nsi
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/installer
        DEPENDS Velmora ${installer_sources} ${PICGEN_DIR}/icon103.ico
        COMMENT "Building the installer ${VELMORA_SETUP_NAME}")
    add_custom_target(installer ALL DEPENDS ${VELMORA_SETUP})
    # The installer as a signed release makes it, unsigned: it carries the uiAccess program too and
    # puts it only under Program Files. Wine starts an unsigned uiAccess program, so e2e_installer
    # can see which of the two each folder gets.
    if(VELMORA_BUILD_TESTS)
        set(VELMORA_SETUP_UIACCESS_NAME VelmoraSetup-${PROJECT_VERSION}-uiaccess.exe)
        set(VELMORA_SETUP_UIACCESS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${VELMORA_SETUP_UIACCESS_NAME})
        add_custom_command(
            OUTPUT ${VELMORA_SETUP_UIACCESS}
            COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DPROGRAM=$<TARGET_FILE:Velmora>
                    -DUIACCESS_PROGRAM=$<TARGET_FILE:VelmoraUiAccess> -DICON=${PICGEN_DIR}/icon103.ico
                    -DOUT_FILE=${VELMORA_SETUP_UIACCESS} velmora.nsi
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/installer
            DEPENDS Velmora VelmoraUiAccess ${installer_sources} ${PICGEN_DIR}/icon103.ico
            COMMENT "Building the installer ${VELMORA_SETUP_UIACCESS_NAME}")
        add_custom_target(installer_uiaccess DEPENDS ${VELMORA_SETUP_UIACCESS})
    endif()
    # The signed release with a throwaway certificate: no Wine, no compilation.
    if(VELMORA_BUILD_TESTS)
        add_test(NAME release_signing COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/signing_test.sh
                 ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${PICGEN_DIR}/icon103.ico ${PROJECT_VERSION})
        set_tests_properties(release_signing PROPERTIES TIMEOUT 120)
    endif()
endif()

# The test harness (tests/support): the program as a child process, windows of any process, the
# mouse recorder, the registry, screen pixels, the calibration crosses, touching the palette and
# the window fixtures. Plain Win32 code without Google Test, built once for the tests, the Wine
# benchmarks and the demo.
file(GLOB harness_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
# The tests' own code (the harness, Google Test, the test sources) is compiled with light
# optimisation: it only drives and reads the program, whose code keeps the release's -O3; -O1
# compiles about a third faster, which the test command's cold build feels.
set(VELMORA_TEST_OPTIMISATION -O1)
if(harness_sources AND TARGET simboard)
    add_library(test_harness STATIC ${harness_sources})
    target_include_directories(test_harness PUBLIC ${CMAKE_SOURCE_DIR})
    velmora_warnings(test_harness)
    target_compile_options(test_harness PRIVATE ${VELMORA_TEST_OPTIMISATION})
    target_link_libraries(test_harness PUBLIC simboard velmora_libs)
endif()

if(VELMORA_BUILD_TESTS)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    target_compile_options(gtest PRIVATE ${VELMORA_TEST_OPTIMISATION})
    target_compile_options(gtest_main PRIVATE ${VELMORA_TEST_OPTIMISATION})

    # The test programs that load pictures, icons or cursors from their own module: those that
    # register the program's window classes (its icon and the pages' cursor) or create the
    # palette, the pages, the board bar, the help or calibration window or the tray icon. Only
    # they carry the resources; the e2e tests start the program, which has its own.
    set(VELMORA_PICTURE_TESTS win_calibration_window win_help_window win_main_window win_page_canvas
        win_page_container win_page_cut win_page_longrun win_palette_pictures win_palette_regions
        win_palette_window win_settings_window win_tool_button win_window_classes)
    set(VELMORA_PICTURE_BENCHES board_bench page_bench settings_paint_bench tool_button_paint_bench
        touch_ink_bench)

    # Tests link the simulated device seam, so the shell's sensor code runs against the simulated
    # board; the one test of the real enumeration binds it itself.
    foreach(layer win e2e)
        file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${layer}/*_test.cpp)
        foreach(src ${test_sources})
            get_filename_component(base ${src} NAME_WE)
            string(REGEX REPLACE "_test$" "" base ${base})
            set(name ${layer}_${base})
            add_executable(${name} ${src})
            velmora_warnings(${name})
            target_compile_options(${name} PRIVATE ${VELMORA_TEST_OPTIMISATION})
            if(base MATCHES "real_enumeration")
                target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/sensor/device_seam_real.cpp)
            else()
                target_link_libraries(${name} PRIVATE device_seam_sim)
            endif()
            target_link_libraries(${name} PRIVATE test_harness gtest_main)
            if(name IN_LIST VELMORA_PICTURE_TESTS)
                target_link_libraries(${name} PRIVATE velmora_resources)
            endif()
            if(layer STREQUAL "e2e")
                add_dependencies(${name} Velmora VelmoraSim)
            endif()
            if(base STREQUAL "installer")
                target_link_libraries(${name} PRIVATE version ole32 uuid)
                target_compile_definitions(${name} PRIVATE VELMORA_VERSION_TEXT="${PROJECT_VERSION}"
                                           VELMORA_SETUP_NAME="${VELMORA_SETUP_NAME}"
                                           VELMORA_SETUP_UIACCESS_NAME="${VELMORA_SETUP_UIACCESS_NAME}")
                add_dependencies(${name} installer installer_uiaccess VelmoraUiAccess)
            endif()
            velmora_add_test(${name} ${src})
        endforeach()
    endforeach()

    # Benchmarks under Wine: plain programs that print their figures.
    file(GLOB wbench_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win/*_bench.cpp)
    foreach(src ${wbench_sources})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        velmora_warnings(${name})
        target_link_libraries(${name} PRIVATE device_seam_sim test_harness)
        if(name IN_LIST VELMORA_PICTURE_BENCHES)
            target_link_libraries(${name} PRIVATE velmora_resources)
        endif()
    endforeach()
endif()

# The main job's scripted session (scripts/demo.sh): a program of ours driving the simulated board
# and the simulated-board build; its steps are a table in tools/demo/demo_steps.cpp. It finds the
# crosses, reads the screen, watches the mouse, looks for windows and touches the palette with the
# test harness.
file(GLOB demo_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/demo/*.cpp)
if(demo_sources AND TARGET test_harness)
    add_executable(velmora_demo ${demo_sources})
    set_target_properties(velmora_demo PROPERTIES OUTPUT_NAME demo)
    velmora_warnings(velmora_demo)
    target_link_libraries(velmora_demo PRIVATE test_harness)
endif()
