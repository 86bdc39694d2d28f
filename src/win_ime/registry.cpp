#include "win_ime/registry.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

// Registry key and value names compare without regard to case.
bool same_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return ascii::lower(x) == ascii::lower(y); });
}

}  // namespace

std::vector<std::uint8_t> reg_sz_bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * (text.size() + 1));
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

MemoryRegistry::Key* MemoryRegistry::find_key(std::string_view key) {
  const auto it = std::find_if(keys_.begin(), keys_.end(), [&](const Key& k) { return same_name(k.path, key); });
  return it == keys_.end() ? nullptr : &*it;
}

void MemoryRegistry::create_key(std::string_view key) {
  if (find_key(key) == nullptr) keys_.push_back({std::string(key), {}});
}

void MemoryRegistry::set_raw(std::string_view key, std::string_view name, Value value) {
  create_key(key);
  Key* k = find_key(key);
  const auto it = std::find_if(k->values.begin(), k->values.end(), [&](const auto& v) { return same_name(v.first, name); });
  if (it != k->values.end()) {
    it->second = std::move(value);
  } else {
    k->values.emplace_back(std::string(name), std::move(value));
  }
}

const MemoryRegistry::Value* MemoryRegistry::find(std::string_view key, std::string_view name) const {
  const auto k = std::find_if(keys_.begin(), keys_.end(), [&](const Key& entry) { return same_name(entry.path, key); });
  if (k == keys_.end()) return nullptr;
  const auto it = std::find_if(k->values.begin(), k->values.end(), [&](const auto& v) { return same_name(v.first, name); });
  return it == k->values.end() ? nullptr : &it->second;
}

std::optional<std::vector<std::uint8_t>> MemoryRegistry::read_value(std::string_view key, std::string_view name,
                                                                    std::size_t max_bytes) {
  const Value* value = find(key, name);
  if (value == nullptr || value->data.size() > max_bytes) return std::nullopt;
  return value->data;
}

bool MemoryRegistry::value_exists(std::string_view key, std::string_view name) { return find(key, name) != nullptr; }

bool MemoryRegistry::write_string(std::string_view key, std::string_view name, std::u16string_view text,
                                  bool create_key_too) {
  if (find_key(key) == nullptr && !create_key_too) return false;
  set_raw(key, name, {1, reg_sz_bytes(text)});
  return true;
}

bool MemoryRegistry::delete_value(std::string_view key, std::string_view name) {
  Key* k = find_key(key);
  if (k == nullptr) return false;
  return std::erase_if(k->values, [&](const auto& v) { return same_name(v.first, name); }) > 0;
}

}  // namespace tarovik
