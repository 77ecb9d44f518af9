# The plug-in as a Windows DLL: Talkforge.dll, exporting only the entry
# points listed in exports.def (the ELF version script does not apply), with
# no runtime DLLs to ship (the toolchain links the C and C++ runtimes
# statically).
set_target_properties(Talkforge PROPERTIES SUFFIX ".dll" LINK_OPTIONS "")
target_sources(Talkforge PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/exports.def)

# The preset files, shipped beside the DLL in presets/: written by the Linux
# build's generator, the same bytes as the Linux build's.
set(TF_NATIVE_MAKE_PRESETS ${TALKFORGE_NATIVE_DIR}/tools/tf_make_presets)
if(NOT EXISTS ${TF_NATIVE_MAKE_PRESETS})
  message(WARNING "${TF_NATIVE_MAKE_PRESETS} is missing: build the Linux build first "
                  "(or point TALKFORGE_NATIVE_DIR at one)")
endif()
set(TF_PRESET_DIR ${CMAKE_BINARY_DIR}/presets)
add_custom_command(OUTPUT "${TF_PRESET_DIR}/Talkforge Library.fxb"
  COMMAND ${TF_NATIVE_MAKE_PRESETS} ${TF_PRESET_DIR}
  DEPENDS ${TF_NATIVE_MAKE_PRESETS}
  COMMENT "Writing the preset files with the Linux build's generator"
  VERBATIM)
add_custom_target(tf_preset_files DEPENDS "${TF_PRESET_DIR}/Talkforge Library.fxb")
add_dependencies(Talkforge tf_preset_files)
