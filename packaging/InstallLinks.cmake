# Install-time part of the install rules: the settings file and the links.
# Expects FLASHKIT_SETTINGS_SOURCE, FLASHKIT_LINKED_PROGRAMS and
# FLASHKIT_PROGRAM_DIR from the install code before it.

# Settings go where the system keeps them: /etc for the prefix /usr.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(settings_dir /etc/flashkit)
else()
  set(settings_dir ${CMAKE_INSTALL_PREFIX}/etc/flashkit)
endif()
set(program_dir ${CMAKE_INSTALL_PREFIX}/${FLASHKIT_PROGRAM_DIR})

# (file(INSTALL) puts DESTDIR in front by itself; the link commands below do not.)
file(INSTALL ${FLASHKIT_SETTINGS_SOURCE} DESTINATION ${settings_dir}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# A link to target: absolute when target lies in the system's /etc (a link
# from /usr into /etc crosses top-level folders), otherwise relative, so
# that a tree installed under another prefix works wherever it lies.
function(flashkit_link target link)
  get_filename_component(link_dir ${link} DIRECTORY)
  if(target MATCHES "^/etc/")
    set(link_text ${target})
  else()
    file(RELATIVE_PATH link_text ${link_dir} ${target})
  endif()
  file(MAKE_DIRECTORY $ENV{DESTDIR}${link_dir})
  message(STATUS "Installing: $ENV{DESTDIR}${link} -> ${link_text}")
  file(CREATE_LINK ${link_text} $ENV{DESTDIR}${link} SYMBOLIC)
endfunction()

flashkit_link(${settings_dir}/FLASHKIT.INI ${program_dir}/FLASHKIT.INI)
foreach(program IN LISTS FLASHKIT_LINKED_PROGRAMS)
  flashkit_link(${program_dir}/${program} ${CMAKE_INSTALL_PREFIX}/bin/${program})
endforeach()
