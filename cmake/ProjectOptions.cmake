# One target that carries the language level and the warnings to every target of the project.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
if(MSVC)
  # The sources are UTF-8, Chinese texts included; MSVC would read them in the ANSI code page.
  target_compile_options(project_options INTERFACE /W4 /utf-8)
  if(SAVER_WERROR)
    target_compile_options(project_options INTERFACE /WX)
  endif()
else()
  target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                    -Wno-sign-conversion)
  if(SAVER_WERROR)
    target_compile_options(project_options INTERFACE -Werror)
  endif()
endif()
set(CMAKE_CXX_EXTENSIONS OFF)
