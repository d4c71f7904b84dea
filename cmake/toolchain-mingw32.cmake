# Cross build for 32-bit Windows: compiled in CI so that structure sizes and window words stay right
# on both widths. Nothing of this tree is run.
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
