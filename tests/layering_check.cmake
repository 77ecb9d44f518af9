# Script mode: fails if a source includes a project header from a folder it
# must not depend on. Folders depend one way, from the bottom up:
#   base <- host <- vocoder (the engine, then the VST 2 effect over it)
#   base <- gui;  vocoder, gui <- resources, editor <- plugin
# and tools/ and bench/, which load the built plug-in, read only the public
# header of vocoder/ (tools/ also the preset library of resources/).
cmake_minimum_required(VERSION 3.25)
set(rules
  "base|base/"
  "host|base/|host/"
  "vocoder|base/|vocoder/"
  "gui|base/|gui/"
  "resources|base/|gui/geometry.h|gui/platform/raster/|vocoder/filterbank.h|vocoder/talkforge.h|resources/"
  "editor|base/|gui/|resources/|vocoder/|editor/"
  "tools|base/|host/vst2.h|host/version.h|gui/platform/|vocoder/talkforge.h|resources/presets.h|tools/"
  "bench|base/|tools/plugin_host.h|vocoder/talkforge.h|bench/"
)
# The VST 2 effect is the one part of vocoder/ that reaches the host folder;
# the editor never holds it.
set(vst2Effect "${SOURCE_DIR}/vocoder/avoc.h;${SOURCE_DIR}/vocoder/avoc.cpp")
set(bad "")
set(checked 0)
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(POP_FRONT parts folder)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(f IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    set(allowed ${parts})
    if(f IN_LIST vst2Effect)
      list(APPEND allowed host/)
    endif()
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue()  # a file beside it
      endif()
      set(ok FALSE)
      foreach(prefix IN LISTS allowed)
        string(FIND "${header}" "${prefix}" at)
        if(at EQUAL 0)
          set(ok TRUE)
        endif()
      endforeach()
      if(header STREQUAL "vocoder/avoc.h" AND NOT folder STREQUAL "vocoder")
        set(ok FALSE)
      endif()
      if(NOT ok)
        list(APPEND bad "${f}: ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "includes against the direction of the dependencies:\n${bad}")
endif()
message(STATUS "${checked} sources checked")
