# The DLL's bitmap resources 101 to 113: the Linux build's generator draws
# them (the same artwork as there), windres compiles them. tf_resources is an
# object library so that its resource section reaches the DLL whole. The same
# run draws the installer's icon and pictures (packaging/windows).
set(TALKFORGE_NATIVE_DIR "${CMAKE_SOURCE_DIR}/build/release" CACHE PATH
    "The Linux build (made first) whose programs the Windows build runs and compares with")
set(TF_NATIVE_ARTWORK ${TALKFORGE_NATIVE_DIR}/resources/tf_artwork)
if(NOT EXISTS ${TF_NATIVE_ARTWORK})
  message(WARNING "${TF_NATIVE_ARTWORK} is missing: build the Linux build first "
                  "(or point TALKFORGE_NATIVE_DIR at one)")
endif()

enable_language(RC)
set(TF_ARTWORK_DIR ${CMAKE_CURRENT_BINARY_DIR}/bitmaps)
set(TF_RESOURCE_SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/bitmaps.rc)
set(files)
set(script "// Generated: the plug-in's bitmaps by resource id.\n")
foreach(id RANGE 101 113)
  list(APPEND files ${TF_ARTWORK_DIR}/${id}.bmp)
  string(APPEND script "${id} BITMAP \"${TF_ARTWORK_DIR}/${id}.bmp\"\n")
endforeach()
file(CONFIGURE OUTPUT ${TF_RESOURCE_SCRIPT} CONTENT "${script}")
set(TF_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(TF_INSTALLER_ART_DIR ${CMAKE_CURRENT_BINARY_DIR}/installer)
set(installer_files ${TF_INSTALLER_ART_DIR}/talkforge.ico ${TF_INSTALLER_ART_DIR}/header.bmp
                    ${TF_INSTALLER_ART_DIR}/welcome.bmp)
add_custom_command(OUTPUT ${files} ${installer_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TF_ARTWORK_DIR}
  COMMAND ${TF_NATIVE_ARTWORK} ${TF_ARTWORK_DIR} ${TF_ICON_DIR} ${TF_INSTALLER_ART_DIR}
  DEPENDS ${TF_NATIVE_ARTWORK}
  COMMENT "Drawing the plug-in's bitmaps and the installer's pictures with the Linux build's generator"
  VERBATIM)
add_custom_target(tf_artwork_files DEPENDS ${files} ${installer_files})
set_target_properties(tf_artwork_files PROPERTIES INSTALLER_DIR ${TF_INSTALLER_ART_DIR})
add_library(tf_resources OBJECT ${TF_RESOURCE_SCRIPT})
set_source_files_properties(${TF_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${files}")
add_dependencies(tf_resources tf_artwork_files)
