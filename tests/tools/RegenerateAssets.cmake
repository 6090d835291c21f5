# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the asset generator into WORK and compares every file with assets/ (the desktop's icons
# with assets/icons/), the contact sheet with docs/contact-sheet.png, the sheet of hands with
# docs/hands.png and the sheet of icons with docs/icons.png.
#
# What the generator computes alone (the sounds, the plain pictures "blanc" and "sable") must
# come out byte for byte. What QPainter paints cannot: its antialiasing and gradients take
# processor-specific paths, and a machine with other instructions gets the same drawing a level
# off in a few pixels (4 pixels of the 128-pixel icon and 1 of the 512-pixel icon, by one level,
# on a processor with AVX-512). Those pictures are compared as they decode, by COMPARE
# (ekoba-compare-pictures), in two classes measured by adding one level to one pixel in 2000 of
# QPainter's paintings (the rate seen on that machine) and regenerating:
# - painted: kept as painted (PNG, 24-bit bitmap) or as JPEG: such noise gives differences of
#   1 level in at most 0.1 % of the pixels. Allowed: 2 levels, 1 % of the pixels.
# - reduced: the pictures whose palette the generator makes from the painting's own colours
#   (median cut to 256 or 16 colours, or the icon's threshold), and the sheets that show them.
#   A level in the painting can move a palette entry and every pixel that takes it: up to
#   6 levels in up to 3.7 % of the pixels. Allowed: 8 levels, 10 % of the pixels.
# A real change of a drawing goes past both: a shape moved by a pixel changes its edges by tens
# of levels, a colour changed by more than the levels allowed changes every pixel it paints.
# The bitmaps' and the icon's headers, and their sizes, do not depend on the pixels: they stay
# exact.
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
# The sets drawn for larger scales (scaled-150/, scaled-200/) in the same classes as their
# pictures at 100 %.
set(exact_pictures "^(scaled-[0-9]+/)?(blanc|sable)\\.bmp$")
set(reduced "^(scaled-[0-9]+/)?(case[0-9]+|maindistr2?|mainferm2?|mainouv2?|poing2?|temp-score)\\.bmp$|^ekobarama\\.(ico|png)$|^docs/(hands|contact-sheet)\\.png$")

file(GLOB_RECURSE made RELATIVE ${WORK}/assets ${WORK}/assets/*)
file(GLOB_RECURSE committed RELATIVE ${SOURCE}/assets ${SOURCE}/assets/*)
list(REMOVE_ITEM committed ${handmade})
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "generated files differ from assets/:\n  made: ${made}\n  committed: ${committed}")
endif()

# name, made file, committed file
set(pairs "")
foreach(name ${made})
  list(APPEND pairs "${name}|${WORK}/assets/${name}|${SOURCE}/assets/${name}")
endforeach()
foreach(sheet contact-sheet.png hands.png icons.png)
  list(APPEND pairs "docs/${sheet}|${WORK}/${sheet}|${SOURCE}/docs/${sheet}")
endforeach()

set(differing "")
set(painted_files "")
set(reduced_files "")
set(exact 0)
foreach(pair ${pairs})
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 new)
  list(GET pair 2 old)
  if(NOT name MATCHES "\\.(bmp|ico|png|jpg)$" OR name MATCHES "${exact_pictures}")
    math(EXPR exact "${exact} + 1")
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${new} ${old} RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
      list(APPEND differing ${name})
    endif()
    continue()
  endif()
  if(name MATCHES "\\.(bmp|ico)$")
    set(head 54)
    if(name MATCHES "\\.ico$")
      set(head 62)
    endif()
    file(SIZE ${new} new_size)
    file(SIZE ${old} old_size)
    file(READ ${new} new_head LIMIT ${head} HEX)
    file(READ ${old} old_head LIMIT ${head} HEX)
    if(NOT new_size EQUAL old_size OR NOT new_head STREQUAL old_head)
      list(APPEND differing "${name} (its header or size)")
    endif()
  endif()
  if(name MATCHES "${reduced}")
    list(APPEND reduced_files ${new} ${old})
  else()
    list(APPEND painted_files ${new} ${old})
  endif()
endforeach()

execute_process(COMMAND ${COMPARE} --levels 2 --share 0.01 ${painted_files} RESULT_VARIABLE painted)
execute_process(COMMAND ${COMPARE} --levels 8 --share 0.1 ${reduced_files} RESULT_VARIABLE reduced)
if(NOT painted EQUAL 0 OR NOT reduced EQUAL 0)
  list(APPEND differing "pictures beyond the tolerance, listed above")
endif()
list(LENGTH made count)
if(differing)
  message(FATAL_ERROR "regenerated files differ from the committed ones: ${differing}")
endif()
list(LENGTH painted_files painted_count)
list(LENGTH reduced_files reduced_count)
math(EXPR painted_count "${painted_count} / 2")
math(EXPR reduced_count "${reduced_count} / 2")
message(STATUS "${count} assets, the contact sheet, the hands and the icons regenerated: "
  "${exact} files identical, ${painted_count} painted and ${reduced_count} reduced pictures within the tolerance")
