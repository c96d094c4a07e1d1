// Request and protocol parameters: names unique and ordered byte by byte (unsigned), values
// held unencoded (except oauth_signature, held OAuth-encoded).
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

class ParameterMap {
  public:
    // A sorted vector: a call carries a handful of parameters, and one block for all of them
    // costs less than a node each. std::string orders bytes as unsigned.
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // Creates the entry or replaces its value.
    void Assign(std::string name, std::string value) {
        auto it = LowerBound(name);
        if (it != entries_.end() && it->first == name)
            it->second = std::move(value);
        else
            entries_.emplace(it, std::move(name), std::move(value));
    }
    // Adds the entry only when the name is new: an existing value stays.
    void Insert(const std::string& name, const std::string& value) {
        auto it = LowerBound(name);
        if (it == entries_.end() || it->first != name)
            entries_.emplace(it, name, value);
    }
    const std::string* Find(const std::string& name) const {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), name, Before);
        return it == entries_.end() || it->first != name ? nullptr : &it->second;
    }
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    size_t Size() const { return entries_.size(); }
    void Reserve(size_t count) { entries_.reserve(count); }
    Entries::const_iterator begin() const { return entries_.begin(); }
    Entries::const_iterator end() const { return entries_.end(); }

  private:
    static bool Before(const Entries::value_type& entry, const std::string& name) {
        return entry.first < name;
    }
    Entries::iterator LowerBound(const std::string& name) {
        return std::lower_bound(entries_.begin(), entries_.end(), name, Before);
    }

    Entries entries_;
};
