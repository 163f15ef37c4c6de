# Building for Windows: programs that take their arguments, environment and file names as UTF-8,
# and the libraries scripts/windows built. The window is built when QMK_WINDOWS_QT names a Qt
# built for Windows (scripts/windows-qt); without one, only the command line.
set(QMK_WINDOWS_QT "$ENV{QMK_WINDOWS_QT}" CACHE PATH "Qt 6 built for Windows")
if(QMK_WINDOWS_QT)
  set(QMK_BUILD_GUI ON CACHE BOOL "" FORCE)
  list(PREPEND CMAKE_PREFIX_PATH "${QMK_WINDOWS_QT}")
  list(APPEND CMAKE_FIND_ROOT_PATH "${QMK_WINDOWS_QT}")
else()
  set(QMK_BUILD_GUI OFF CACHE BOOL "" FORCE)
endif()
set(QMK_BUILD_BENCH OFF CACHE BOOL "" FORCE)
add_compile_definitions(PCRE2_STATIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601)
# GCC 12 reports copies inside std::string as overlapping at -O3: a false positive of -Wrestrict.
add_compile_options(-Wno-restrict)
set(ENV{PKG_CONFIG_LIBDIR} "$ENV{QMK_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# Every program in one folder, so that a test finds qmk10.exe and mergemycmds.exe beside itself.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The manifest makes the process's ANSI code page UTF-8 (Windows 10 1903 and later), so that
# argv, getenv and the C library's narrow file names carry the program's own UTF-8 texts.
set(QMK_WINDOWS_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/windows/quillmark10.rc)
function(qmk_windows_program target)
  target_sources(${target} PRIVATE ${QMK_WINDOWS_RESOURCES})
  set_source_files_properties(${QMK_WINDOWS_RESOURCES} TARGET_DIRECTORY ${target} PROPERTIES
      COMPILE_DEFINITIONS "QMK_VERSION_DOTTED=${PROJECT_VERSION};QMK_VERSION_NUMBERS=${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
endfunction()

# The tests run under Wine on the machine that built them, which shows its root folder as Z:.
function(qmk_path_for_tests variable path)
  set(${variable} "Z:${path}" PARENT_SCOPE)
endfunction()
