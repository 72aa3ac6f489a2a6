# Compile settings shared by every target of the project.
add_library(quillet_options INTERFACE)
target_compile_features(quillet_options INTERFACE cxx_std_20)
target_compile_options(quillet_options INTERFACE
  -Wall -Wextra -Wconversion -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
target_compile_definitions(quillet_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY)

if(QUILLET_SANITIZE)
  target_compile_options(quillet_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quillet_options INTERFACE -fsanitize=address,undefined)
endif()

if(QUILLET_BUILD_FUZZ)
  # Coverage instrumentation for everything the fuzz targets link.
  target_compile_options(quillet_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
