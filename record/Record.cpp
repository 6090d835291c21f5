// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Record.h"

#include <algorithm>

namespace record {

TGameRecord::TGameRecord(const rules::TPosition& start) : Positions{start} {}

const rules::TPosition& TGameRecord::PositionAt(int ply) const {
    return Positions[static_cast<std::size_t>(std::clamp(ply, 0, Length()))];
}

int TGameRecord::MoveAt(int ply) const {
    return ply >= 0 && ply < Length() ? Moves[static_cast<std::size_t>(ply)] : 0;
}

bool TGameRecord::IsLegal(int pit) const {
    return !Over() && Current().IsLegal(pit);
}

rules::TMoveTrace TGameRecord::Play(int pit) {
    if (!IsLegal(pit))
        return {};
    Moves.resize(static_cast<std::size_t>(Ply));
    Comments.resize(static_cast<std::size_t>(Ply));
    Positions.resize(static_cast<std::size_t>(Ply) + 1);
    rules::TPosition next = Current();
    rules::TMoveTrace trace = rules::PlayTraced(next, pit);
    Moves.push_back(pit);
    Comments.emplace_back();
    Positions.push_back(next);
    ++Ply;
    return trace;
}

rules::TMoveTrace TGameRecord::TraceAt(int ply) const {
    if (ply < 0 || ply >= Length())
        return {};
    rules::TPosition position = PositionAt(ply);
    return rules::PlayTraced(position, MoveAt(ply));
}

const std::string& TGameRecord::CommentAfter(int ply) const {
    static const std::string none;
    return ply >= 0 && ply < Length() ? Comments[static_cast<std::size_t>(ply)] : none;
}

void TGameRecord::SetCommentAfter(int ply, std::string_view text) {
    if (ply >= 0 && ply < Length())
        Comments[static_cast<std::size_t>(ply)] = CleanComment(text);
}

void TGameRecord::SeekTo(int ply) {
    Ply = std::clamp(ply, 0, Length());
}

} // namespace record
