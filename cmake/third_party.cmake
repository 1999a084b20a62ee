# Header-only and test libraries from Debian's packages.

# nlohmann/json: the mingw tree must not see the host's /usr/include, so only
# the nlohmann folder is exposed through a folder of its own.
set(KESTRO_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${KESTRO_THIRD_PARTY_INCLUDE})
if(NOT EXISTS ${KESTRO_THIRD_PARTY_INCLUDE}/nlohmann)
  file(CREATE_LINK /usr/include/nlohmann ${KESTRO_THIRD_PARTY_INCLUDE}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json_header INTERFACE)
target_include_directories(nlohmann_json_header SYSTEM INTERFACE ${KESTRO_THIRD_PARTY_INCLUDE})

if(KESTRO_RELEASE)
  # A release tree builds no tests.
elseif(WIN32)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
endif()
include(GoogleTest)
