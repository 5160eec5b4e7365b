# minizip from zlib's source package (fetched by scripts/setup into .deps)
# and GoogleTest from the sources Debian's googletest package installs.
file(GLOB MINIZIP_CANDIDATES "${CMAKE_SOURCE_DIR}/.deps/zlib-*/contrib/minizip")
list(SORT MINIZIP_CANDIDATES)
list(POP_BACK MINIZIP_CANDIDATES MINIZIP_DIR)
if(NOT MINIZIP_DIR OR NOT EXISTS "${MINIZIP_DIR}/unzip.c")
  message(FATAL_ERROR "minizip sources not found; run scripts/setup first")
endif()

find_package(ZLIB REQUIRED)

add_library(minizip STATIC
  ${MINIZIP_DIR}/ioapi.c
  ${MINIZIP_DIR}/iowin32.c
  ${MINIZIP_DIR}/unzip.c
  ${MINIZIP_DIR}/zip.c
)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_DIR})
target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)

set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
