# The release folder check: the service's own components must all be in the
# folder named at configure time, and none of them may be one of our
# development stand-ins. With PROGRAM_FOLDER the components are then copied
# into the program folder beside Kestro.exe.
#
#   cmake -DKESTRO_COMPONENTS_DIR=<folder> [-DPROGRAM_FOLDER=<dist>] [-DSTAMP=<file>]
#         -P cmake/release_folder.cmake
#
# Exits non-zero with a message naming what is wrong. STAMP is touched when a
# file of the program folder changed, so that the installer is built again.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/program_files.cmake)

string(REPLACE ";" ", " expected "${KESTRO_SERVICE_COMPONENTS}")
if(NOT DEFINED KESTRO_COMPONENTS_DIR OR KESTRO_COMPONENTS_DIR STREQUAL "")
  message(FATAL_ERROR
    "No folder of the service's components was named. Configure the release tree with "
    "-DKESTRO_COMPONENTS_DIR=<folder>, a folder holding the service's ${expected}.")
endif()
if(NOT IS_DIRECTORY "${KESTRO_COMPONENTS_DIR}")
  message(FATAL_ERROR
    "The folder of the service's components \"${KESTRO_COMPONENTS_DIR}\" does not exist. "
    "It must hold the service's ${expected}.")
endif()

set(missing)
foreach(file ${KESTRO_SERVICE_COMPONENTS})
  if(NOT EXISTS "${KESTRO_COMPONENTS_DIR}/${file}" OR IS_DIRECTORY "${KESTRO_COMPONENTS_DIR}/${file}")
    list(APPEND missing ${file})
  endif()
endforeach()
if(missing)
  string(REPLACE ";" ", " missing "${missing}")
  message(FATAL_ERROR
    "The folder of the service's components \"${KESTRO_COMPONENTS_DIR}\" is incomplete: "
    "${missing} missing. A release folder needs the service's ${expected}.")
endif()

# Our stand-ins never ship: their programs say "development stand-in" in
# their text, and their data files are those of standins/*/files.
set(stand_ins)
file(GLOB stand_in_data ${CMAKE_CURRENT_LIST_DIR}/../standins/*/files/*)
set(stand_in_hashes)
foreach(data ${stand_in_data})
  file(SHA256 "${data}" hash)
  list(APPEND stand_in_hashes ${hash})
endforeach()
foreach(file ${KESTRO_SERVICE_COMPONENTS})
  set(path "${KESTRO_COMPONENTS_DIR}/${file}")
  file(SHA256 "${path}" hash)
  file(STRINGS "${path}" marks REGEX "development stand-in" LIMIT_COUNT 1)
  if(marks OR hash IN_LIST stand_in_hashes)
    list(APPEND stand_ins ${file})
  endif()
endforeach()
if(stand_ins)
  string(REPLACE ";" ", " stand_ins "${stand_ins}")
  message(FATAL_ERROR
    "The folder of the service's components \"${KESTRO_COMPONENTS_DIR}\" holds development stand-ins "
    "(${stand_ins}), which a release never ships. Name the folder of the service's own components.")
endif()

if(NOT DEFINED PROGRAM_FOLDER OR PROGRAM_FOLDER STREQUAL "")
  message(STATUS "The folder of the service's components \"${KESTRO_COMPONENTS_DIR}\" is complete")
  return()
endif()
set(changed FALSE)
foreach(file ${KESTRO_SERVICE_COMPONENTS})
  set(from "${KESTRO_COMPONENTS_DIR}/${file}")
  set(to "${PROGRAM_FOLDER}/${file}")
  set(same FALSE)
  if(EXISTS "${to}")
    file(SHA256 "${from}" from_hash)
    file(SHA256 "${to}" to_hash)
    if(from_hash STREQUAL to_hash)
      set(same TRUE)
    endif()
  endif()
  if(NOT same)
    get_filename_component(folder "${to}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    file(COPY_FILE "${from}" "${to}")
    set(changed TRUE)
  endif()
endforeach()
if(DEFINED STAMP AND (changed OR NOT EXISTS "${STAMP}"))
  file(TOUCH "${STAMP}")
endif()
