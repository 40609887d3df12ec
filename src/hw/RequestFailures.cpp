// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/RequestFailures.h"

#include <algorithm>

namespace rz::hw {

bool RequestFailures::Note(const std::string& caption, const std::string& text) {
  ++count_;
  if (!inCommand_) return true;
  const auto same = [&](const Repeat& r) { return r.caption == caption && r.text == text; };
  if (auto it = std::find_if(shown_.begin(), shown_.end(), same); it != shown_.end()) {
    ++it->times;
    return false;
  }
  shown_.push_back(Repeat{caption, text, 0});
  return true;
}

bool RequestFailures::BeginCommand() {
  if (inCommand_) return false;
  shown_.clear();
  inCommand_ = true;
  return true;
}

std::vector<RequestFailures::Repeat> RequestFailures::EndCommand() {
  std::vector<Repeat> repeats;
  for (auto& r : shown_)
    if (r.times > 0) repeats.push_back(std::move(r));
  shown_.clear();
  inCommand_ = false;
  return repeats;
}

}  // namespace rz::hw
