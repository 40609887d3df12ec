// SPDX-License-Identifier: GPL-3.0-or-later
// A card's 32-bit registers by offset, with a count of the writes to each. Registers never written
// read 0. A handful of named registers (the ones a program touches on every serial bit) live in
// fixed slots found by a short scan; every other offset lives in a hash map. Both kinds behave the
// same: the slots only spare the hot path a hash lookup per access.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <unordered_map>

namespace rz::sim {

class RegisterFile {
 public:
  static constexpr std::size_t kMaxSlots = 8;

  // `named`: offsets kept in fixed slots (at most kMaxSlots, no duplicates); a slot's index is the
  // offset's place in this list.
  explicit RegisterFile(std::initializer_list<std::uint32_t> named) {
    if (named.size() > kMaxSlots) throw std::logic_error("too many named registers");
    for (std::uint32_t offset : named) {
      if (Find(offset)) throw std::logic_error("a named register is listed twice");
      slots_[slotCount_++].offset = offset;
    }
  }

  std::uint32_t Value(std::uint32_t offset) const {
    if (const Slot* s = Find(offset)) return s->value;
    const auto it = others_.find(offset);
    return it == others_.end() ? 0 : it->second.value;
  }
  std::uint64_t Writes(std::uint32_t offset) const {
    if (const Slot* s = Find(offset)) return s->writes;
    const auto it = others_.find(offset);
    return it == others_.end() ? 0 : it->second.writes;
  }
  // The register in slot `index`, without a search (the caller knows its place in the list).
  std::uint32_t NamedValue(std::size_t index) const { return slots_[index].value; }
  void WriteNamed(std::size_t index, std::uint32_t value) {
    ++slots_[index].writes;
    slots_[index].value = value;
  }
  // Sets the value without counting a write (power-up values).
  void Preset(std::uint32_t offset, std::uint32_t value) { At(offset).value = value; }
  // Counts a write to `offset`; the value is stored only when `store` (read-only registers count
  // the write and keep their value).
  void Write(std::uint32_t offset, std::uint32_t value, bool store = true) {
    Slot& s = At(offset);
    ++s.writes;
    if (store) s.value = value;
  }

 private:
  struct Slot {
    std::uint32_t offset = 0;
    std::uint32_t value = 0;
    std::uint64_t writes = 0;
  };

  const Slot* Find(std::uint32_t offset) const {
    for (std::size_t i = 0; i < slotCount_; ++i)
      if (slots_[i].offset == offset) return &slots_[i];
    return nullptr;
  }
  Slot& At(std::uint32_t offset) {
    for (std::size_t i = 0; i < slotCount_; ++i)
      if (slots_[i].offset == offset) return slots_[i];
    Slot& s = others_[offset];
    s.offset = offset;
    return s;
  }

  std::array<Slot, kMaxSlots> slots_{};
  std::size_t slotCount_ = 0;
  std::unordered_map<std::uint32_t, Slot> others_;
};

}  // namespace rz::sim
