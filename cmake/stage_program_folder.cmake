# Copies the program folder's files (cmake/program_files.cmake) from FROM to
# TO, the folder the installer packs. The 32-bit programs this tree built
# (STRIPPED, a comma-separated list) lose their symbols and debugging
# information to STRIP: a development tree's Kestro.exe carries some 35 MB of
# it, which a user has no use for and the compressor is slow on. Every other
# file, the service's own components among them, is copied as it is.
#
#   cmake -DFROM=<dist> -DTO=<stage> -DSTRIP=<i686 strip> -DSTRIPPED=Kestro.exe,...
#         -P cmake/stage_program_folder.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/program_files.cmake)
string(REPLACE "," ";" stripped "${STRIPPED}")
file(REMOVE_RECURSE "${TO}")
foreach(file ${KESTRO_PROGRAM_FILES})
  get_filename_component(folder "${TO}/${file}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  if(file IN_LIST stripped)
    execute_process(COMMAND ${STRIP} --strip-all -o "${TO}/${file}" "${FROM}/${file}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not strip ${FROM}/${file} into the installer's folder")
    endif()
  else()
    file(COPY_FILE "${FROM}/${file}" "${TO}/${file}")
  endif()
endforeach()
