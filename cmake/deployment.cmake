# Deployment constants. Every non-release build talks to the reference service on
# loopback and probes hosts that resolve to loopback without asking a DNS server.
option(KESTRO_RELEASE "Shipping build with production addresses" OFF)

if(KESTRO_RELEASE)
  set(_service_default "")
  set(_site_default "")
  set(_probe1_default "www.sina.com.cn")
  set(_probe2_default "www.baidu.com")
else()
  set(_service_default "http://127.0.0.1:18480/")
  set(_site_default "http://127.0.0.1:18480")
  set(_probe1_default "localhost")
  set(_probe2_default "127.0.0.1")
endif()

set(KESTRO_SERVICE_BASE_URL "${_service_default}" CACHE STRING "Service base URL, ends in /")
set(KESTRO_WEB_SITE "${_site_default}" CACHE STRING "Web site address, no trailing /")
set(KESTRO_PROBE_HOST_1 "${_probe1_default}" CACHE STRING "First diagnosis probe host (Sina portal)")
set(KESTRO_PROBE_HOST_2 "${_probe2_default}" CACHE STRING "Second diagnosis probe host (Baidu)")
set(KESTRO_CLIENT_VERSION 3001 CACHE STRING "Client version number sent at login")

# The program ships 32-bit only: the service's tunnel library is a 32-bit DLL.
if(KESTRO_RELEASE AND NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  message(FATAL_ERROR "A release build is 32-bit: use the release preset (mingw-w64 i686)")
endif()
if(KESTRO_RELEASE AND (KESTRO_SERVICE_BASE_URL STREQUAL "" OR KESTRO_WEB_SITE STREQUAL ""))
  message(FATAL_ERROR "A release build needs -DKESTRO_SERVICE_BASE_URL=... and -DKESTRO_WEB_SITE=...")
endif()

set(KESTRO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/deployment_constants.h.in
               ${KESTRO_GENERATED_DIR}/app/deployment_constants.h @ONLY)
