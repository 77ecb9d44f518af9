# Script mode: fails if a source of the portable toolkit (gui/ outside
# gui/platform/) includes a windowing-system or font-library header, or if
# portable code anywhere tests the platform in a preprocessor conditional.
file(GLOB sources ${GUI_DIR}/*.h ${GUI_DIR}/*.cpp)
set(bad "")
foreach(f IN LISTS sources)
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "X11/|windows\\.h|fontconfig|ft2build|freetype|wayland|Cocoa")
      list(APPEND bad "${f}: ${line}")
    endif()
  endforeach()
endforeach()
# Portable code (everything but the platform bindings and the tests' own
# platform files) has no platform conditionals: the build picks the files.
file(GLOB_RECURSE portable
     ${SOURCE_DIR}/base/*.h ${SOURCE_DIR}/base/*.cpp ${SOURCE_DIR}/host/*.h ${SOURCE_DIR}/host/*.cpp ${SOURCE_DIR}/vocoder/*.h ${SOURCE_DIR}/vocoder/*.cpp
     ${SOURCE_DIR}/editor/*.h ${SOURCE_DIR}/editor/*.cpp ${SOURCE_DIR}/resources/*.h ${SOURCE_DIR}/resources/*.cpp
     ${GUI_DIR}/*.h ${GUI_DIR}/*.cpp ${GUI_DIR}/platform/*.h ${GUI_DIR}/platform/raster/*.h)
foreach(f IN LISTS portable)
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif)")
  foreach(line IN LISTS lines)
    if(line MATCHES "_WIN32|_WIN64|_MSC_VER|__MINGW|__linux__|__APPLE__|__unix__")
      list(APPEND bad "${f}: ${line}")
    endif()
  endforeach()
endforeach()
list(APPEND sources ${portable})

if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "platform headers or conditionals in portable code:\n${bad}")
endif()
list(REMOVE_DUPLICATES sources)
list(LENGTH sources n)
message(STATUS "${n} portable sources checked")
