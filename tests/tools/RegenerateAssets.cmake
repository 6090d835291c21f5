# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the asset generator into WORK and compares every file with assets/ (the desktop's icons
# with assets/icons/), the contact sheet with docs/contact-sheet.png, the sheet of hands with
# docs/hands.png and the sheet of icons with docs/icons.png, byte for byte.
file(REMOVE_RECURSE ${WORK})
execute_process(
  COMMAND ${GENERATOR} ${WORK}/assets --contact-sheet ${WORK}/contact-sheet.png
          --hands ${WORK}/hands.png --icons ${WORK}/assets/icons --icon-sheet ${WORK}/icons.png
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ekoba-assetgen failed: ${result}")
endif()

# Files of assets/ written by hand rather than generated.
set(handmade invalid.ekobarama.Ekobarama.desktop)

file(GLOB_RECURSE made RELATIVE ${WORK}/assets ${WORK}/assets/*)
file(GLOB_RECURSE committed RELATIVE ${SOURCE}/assets ${SOURCE}/assets/*)
list(REMOVE_ITEM committed ${handmade})
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "generated files differ from assets/:\n  made: ${made}\n  committed: ${committed}")
endif()

set(differing "")
foreach(name ${made})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    ${WORK}/assets/${name} ${SOURCE}/assets/${name} RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing ${name})
  endif()
endforeach()
foreach(sheet contact-sheet.png hands.png icons.png)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    ${WORK}/${sheet} ${SOURCE}/docs/${sheet} RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing docs/${sheet})
  endif()
endforeach()
list(LENGTH made count)
if(differing)
  message(FATAL_ERROR "regenerated files differ from the committed ones: ${differing}")
endif()
message(STATUS "${count} assets, the contact sheet, the hands and the icons regenerated identically")
