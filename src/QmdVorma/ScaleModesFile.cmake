# The program reads its built-in scale modes from ScaleModes.plist beside its
# executable, so every build folder holding executables (the program, tests,
# benchmarks) gets a copy. Which folders those are is known only when the
# whole project has been read, hence the call deferred to the end of the top
# directory. configure_file makes a change of the file rerun the copy.

function(vorma_executable_dirs dir out)
  set(dirs "")
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "EXECUTABLE")
      get_target_property(runtime_dir ${t} RUNTIME_OUTPUT_DIRECTORY)
      if(NOT runtime_dir)
        get_target_property(runtime_dir ${t} BINARY_DIR)
      endif()
      list(APPEND dirs "${runtime_dir}")
    endif()
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    vorma_executable_dirs("${sub}" sub_dirs)
    list(APPEND dirs ${sub_dirs})
  endforeach()
  set(${out} "${dirs}" PARENT_SCOPE)
endfunction()

function(vorma_copy_scale_modes)
  vorma_executable_dirs("${PROJECT_SOURCE_DIR}" dirs)
  list(REMOVE_DUPLICATES dirs)
  foreach(dir IN LISTS dirs)
    configure_file("${PROJECT_SOURCE_DIR}/resources/ScaleModes.plist" "${dir}/ScaleModes.plist" COPYONLY)
  endforeach()
endfunction()

cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}" CALL vorma_copy_scale_modes)
