# SPDX-License-Identifier: GPL-3.0-or-later
# The command reader of the engine protocol (tools/engine).
ekoba_add_fuzzer(fuzz_engine SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine.cpp
  LIBS ekoba_engine_protocol)
