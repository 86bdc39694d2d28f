#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarovik {

// The part of the current user's registry that the settings use. The Windows build talks to
// the real registry; the tests use MemoryRegistry.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // The raw data of a value, whatever its type. Null when the key or the value is missing,
  // when the value holds more than max_bytes, or when reading fails.
  virtual std::optional<std::vector<std::uint8_t>> read_value(std::string_view key, std::string_view name,
                                                              std::size_t max_bytes) = 0;
  virtual bool value_exists(std::string_view key, std::string_view name) = 0;
  // Sets a REG_SZ value: UTF-16LE units and one NUL unit. Creates the key only when asked to.
  virtual bool write_string(std::string_view key, std::string_view name, std::u16string_view text,
                            bool create_key) = 0;
  virtual bool delete_value(std::string_view key, std::string_view name) = 0;
};

// An in-memory registry for the tests: keys must exist before a value is written unless
// the write creates them, as in the real registry.
class MemoryRegistry : public RegistryStore {
 public:
  struct Value {
    std::uint32_t type = 1;  // REG_SZ
    std::vector<std::uint8_t> data;
  };

  void create_key(std::string_view key);
  void set_raw(std::string_view key, std::string_view name, Value value);
  const Value* find(std::string_view key, std::string_view name) const;

  std::optional<std::vector<std::uint8_t>> read_value(std::string_view key, std::string_view name,
                                                      std::size_t max_bytes) override;
  bool value_exists(std::string_view key, std::string_view name) override;
  bool write_string(std::string_view key, std::string_view name, std::u16string_view text, bool create_key) override;
  bool delete_value(std::string_view key, std::string_view name) override;

 private:
  struct Key {
    std::string path;
    std::vector<std::pair<std::string, Value>> values;
  };
  Key* find_key(std::string_view key);
  std::vector<Key> keys_;
};

// UTF-16LE bytes of text followed by one NUL unit, as REG_SZ data is stored.
std::vector<std::uint8_t> reg_sz_bytes(std::u16string_view text);

}  // namespace tarovik
