# The Windows libraries that only windows need, bound when first called (delay-loaded): a job
# from the command line shows no window and so does not pay for loading them at start.
string(REGEX REPLACE "windres$" "dlltool" VIMAGER_DLLTOOL "${CMAKE_RC_COMPILER}")
string(REGEX REPLACE "windres$" "nm" VIMAGER_NM "${CMAKE_RC_COMPILER}")
find_library(VIMAGER_DELAYIMP delayimp REQUIRED)
set(import_prefix "__imp_")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(import_prefix "__imp__")
  set(kill_at -k)
endif()

function(vimager_delay_import name)
  find_library(import_${name} ${name} REQUIRED)
  # The i686 delay libraries that binutils 2.40 links leave the address table's entries zero, so
  # the first call of a delay-loaded function jumps to address 0: the 32-bit build imports them
  # as usual.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_library(delay_${name} STATIC IMPORTED GLOBAL)
    set_target_properties(delay_${name} PROPERTIES IMPORTED_LOCATION ${import_${name}})
    return()
  endif()
  set(def ${CMAKE_BINARY_DIR}/delay/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/delay/libdelay${name}.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND sh -c "{ echo EXPORTS; ${VIMAGER_NM} -g '${import_${name}}' | sed -n 's/^.* I ${import_prefix}//p'; } >'${def}'"
    COMMAND ${VIMAGER_DLLTOOL} ${kill_at} -d ${def} -D ${name}.dll -y ${lib}
    DEPENDS ${import_${name}} VERBATIM)
  add_custom_target(delay_${name}_lib DEPENDS ${lib})
  add_library(delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(delay_${name} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(delay_${name} delay_${name}_lib)
endfunction()
