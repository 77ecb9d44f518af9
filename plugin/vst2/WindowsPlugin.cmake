# The plug-in as a Windows DLL: Talkforge.dll, exporting only the entry
# points listed in exports.def (the ELF version script does not apply), with
# no runtime DLLs to ship (the toolchain links the C and C++ runtimes
# statically).
set_target_properties(Talkforge PROPERTIES SUFFIX ".dll" LINK_OPTIONS "")
target_sources(Talkforge PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/exports.def)
