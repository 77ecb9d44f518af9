# tf_add_bitmap_table(<target> ID <id> FILE <bmp> [ID <id> FILE <bmp>]...)
#
# Builds a static library <target> holding the given BMP files as byte arrays
# and defining tf::gui::bitmapResourceTable() over them, so CResBitmap finds
# each by its numeric id. The plug-in links the table of resources/; tests
# link their own.
function(tf_add_bitmap_table target)
  set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed_bitmaps.cmake)
  set(ids)
  set(files)
  set(expect ID)
  foreach(arg IN LISTS ARGN)
    if(arg STREQUAL "ID" OR arg STREQUAL "FILE")
      set(expect ${arg})
    elseif(expect STREQUAL "ID")
      list(APPEND ids ${arg})
    else()
      get_filename_component(path ${arg} ABSOLUTE)
      list(APPEND files ${path})
    endif()
  endforeach()
  list(LENGTH ids nIds)
  list(LENGTH files nFiles)
  if(NOT nIds EQUAL nFiles)
    message(FATAL_ERROR "tf_add_bitmap_table(${target}): each ID needs a FILE")
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_table.cpp)
  string(REPLACE ";" "," idArg "${ids}")
  string(REPLACE ";" "," fileArg "${files}")
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIDS=${idArg} -DFILES=${fileArg} -DOUTPUT=${out}
            -P ${script}
    DEPENDS ${files} ${script}
    COMMENT "Embedding bitmaps for ${target}"
    VERBATIM)
  add_library(${target} STATIC ${out})
  target_link_libraries(${target} PUBLIC tf_gui)
endfunction()
