# Kestro.exe and the program folder (dist/) it runs from, with the service's
# components beside it.
set(KESTRO_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
if(WIN32)
  # The program's own resources carry the version of the file VERSION
  # (cmake/version.cmake): the script and its manifest are configured with it.
  set(KESTRO_MANIFEST_FILE ${KESTRO_GENERATED_DIR}/app/res/kestro.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/app/res/kestro.manifest.in ${KESTRO_MANIFEST_FILE} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/app/res/kestro.rc.in ${KESTRO_GENERATED_DIR}/app/res/kestro.rc @ONLY)
  set_source_files_properties(${KESTRO_GENERATED_DIR}/app/res/kestro.rc PROPERTIES
    OBJECT_DEPENDS "${KESTRO_MANIFEST_FILE};${PROJECT_SOURCE_DIR}/app/res/kestro.ico")
  file(GLOB program_resources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/res/*.rc)
  list(PREPEND program_resources ${KESTRO_GENERATED_DIR}/app/res/kestro.rc)
  # windres writes no dependency file: the pages and pictures it embeds are named here.
  file(GLOB page_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/res/*.html ${PROJECT_SOURCE_DIR}/ui/res/*.PNG
       ${PROJECT_SOURCE_DIR}/ui/res/*.GIF)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/ui/res/ui.rc PROPERTIES OBJECT_DEPENDS "${page_files}")
  file(GLOB variant_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/res/144/*.PNG ${PROJECT_SOURCE_DIR}/ui/res/192/*.PNG)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/ui/res/variants.rc PROPERTIES OBJECT_DEPENDS "${variant_files}")
  # The entry point, on top of every layer.
  add_library(kestro_startup STATIC ${PROJECT_SOURCE_DIR}/app/entry/startup_win.cpp)
  target_link_libraries(kestro_startup PUBLIC kestro_ui kestro_accel kestro_service kestro_app kestro_base)

  add_executable(Kestro WIN32 ${PROJECT_SOURCE_DIR}/app/entry/main_win.cpp ${program_resources})
  target_link_options(Kestro PRIVATE -municode)
  target_link_libraries(Kestro PRIVATE kestro_startup)
  set_target_properties(Kestro PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KESTRO_DIST_DIR})
endif()

# The stand-ins of the service's components (standins/) list themselves in the
# global property KESTRO_DIST_TARGETS, each with its folder inside the program
# folder in the target property KESTRO_DIST_FOLDER; their files follow them.
get_property(dist_targets GLOBAL PROPERTY KESTRO_DIST_TARGETS)
foreach(component ${dist_targets})
  get_target_property(folder ${component} KESTRO_DIST_FOLDER)
  set_target_properties(${component} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KESTRO_DIST_DIR}/${folder})
endforeach()
