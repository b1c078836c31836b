# The default templates: every data/templates/*.vdtsrc is compiled by
# `vandrel-cli template build` into share/vandrel/templates/<name>.vdt of the
# build folder, where the programs find them beside their executables, and is
# installed to <prefix>/share/vandrel/templates. A source that does not build
# fails the build.
file(GLOB VANDREL_TEMPLATE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/data/templates/*.vdtsrc)

set(VANDREL_TEMPLATES_OUTPUT_DIR ${CMAKE_BINARY_DIR}/share/vandrel/templates)
set(VANDREL_TEMPLATE_FILES "")
foreach(source IN LISTS VANDREL_TEMPLATE_SOURCES)
  get_filename_component(stem ${source} NAME_WLE)
  set(output ${VANDREL_TEMPLATES_OUTPUT_DIR}/${stem}.vdt)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VANDREL_TEMPLATES_OUTPUT_DIR}
    COMMAND $<TARGET_FILE:vandrel-cli> template build ${source} ${output}
    DEPENDS ${source} vandrel-cli
    COMMENT "Building template ${stem}.vdt"
    VERBATIM)
  list(APPEND VANDREL_TEMPLATE_FILES ${output})
endforeach()

add_custom_target(vandrel_default_templates ALL DEPENDS ${VANDREL_TEMPLATE_FILES})

# Tests that read the built templates: through the command-line tool, or as
# the frame loads them.
foreach(test_target IN ITEMS vandrel_cli_tests vandrel_templates_tests vandrel_shell_tests)
  if(TARGET ${test_target})
    add_dependencies(${test_target} vandrel_default_templates)
  endif()
endforeach()

install(DIRECTORY ${VANDREL_TEMPLATES_OUTPUT_DIR}/
  DESTINATION share/vandrel/templates
  FILES_MATCHING PATTERN "*.vdt")

# The tips of the Tip of the Day dialog sit beside the templates folder.
configure_file(${PROJECT_SOURCE_DIR}/data/tips/Vandrel.tip
  ${VANDREL_TEMPLATES_OUTPUT_DIR}/../Vandrel.tip COPYONLY)
install(FILES ${PROJECT_SOURCE_DIR}/data/tips/Vandrel.tip DESTINATION share/vandrel)
