# The help the programs show: the user manual (docs/manual/*.md), the
# context help files of the default templates (data/templates/*.hlp) and
# the licence. Copied into share/vandrel of the build folder, where the
# programs find them beside their executables, and installed to
# <prefix>/share/vandrel – the manual to manual/, the help files beside the
# templates that name them, the licence beside the manual.
set(VANDREL_SHARE_OUTPUT_DIR ${CMAKE_BINARY_DIR}/share/vandrel)

file(GLOB VANDREL_MANUAL_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual/*.md)
foreach(page IN LISTS VANDREL_MANUAL_PAGES)
  get_filename_component(name ${page} NAME)
  configure_file(${page} ${VANDREL_SHARE_OUTPUT_DIR}/manual/${name} COPYONLY)
endforeach()
install(FILES ${VANDREL_MANUAL_PAGES} DESTINATION share/vandrel/manual)

file(GLOB VANDREL_CONTEXT_HELP_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/templates/*.hlp)
foreach(help_file IN LISTS VANDREL_CONTEXT_HELP_FILES)
  get_filename_component(name ${help_file} NAME)
  configure_file(${help_file} ${VANDREL_SHARE_OUTPUT_DIR}/templates/${name} COPYONLY)
endforeach()
install(FILES ${VANDREL_CONTEXT_HELP_FILES} DESTINATION share/vandrel/templates)

configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${VANDREL_SHARE_OUTPUT_DIR}/LICENSE COPYONLY)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/vandrel)
