# SPDX-License-Identifier: GPL-3.0-or-later
ekoba_add_fuzzer(fuzz_picture SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture.cpp LIBS ekoba_picture)
