# Every Windows program that ctest runs goes through Wine in a prefix of
# the build's own, so no test touches a user's prefix or registry.
set(WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
