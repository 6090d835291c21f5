# SPDX-License-Identifier: GPL-3.0-or-later
# The stored description reader of the asset catalogue.
ekoba_add_fuzzer(fuzz_catalogue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/catalogue.cpp
  LIBS ekoba_catalogue)
