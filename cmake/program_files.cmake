# The files of the program folder, relative to it: Kestro.exe, which this
# project builds, and the service's own components beside it. Development
# trees lay out stand-ins of the components (standins/); a release tree takes
# the service's real ones from KESTRO_COMPONENTS_DIR (cmake/release_folder.cmake).
# The installer installs exactly these files and its uninstaller removes them.
set(KESTRO_SERVICE_COMPONENTS
  Viadex.dll Viadex.ini ca.crt client.key
  Patcher.exe
  Driver/i386/Vnicctl.exe Driver/i386/Kestro.inf Driver/i386/Kestro.sys
  Driver/x86_64/Vnicctl.exe Driver/x86_64/Kestro.inf Driver/x86_64/Kestro.sys)
set(KESTRO_PROGRAM_FILES Kestro.exe ${KESTRO_SERVICE_COMPONENTS})
