# SPDX-License-Identifier: GPL-3.0-or-later
# The game file reader.
ekoba_add_fuzzer(fuzz_game SOURCES ${CMAKE_CURRENT_LIST_DIR}/game.cpp LIBS ekoba_record)
