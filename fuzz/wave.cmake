# SPDX-License-Identifier: GPL-3.0-or-later
ekoba_add_fuzzer(fuzz_wave SOURCES ${CMAKE_CURRENT_LIST_DIR}/wave.cpp LIBS ekoba_sound)
