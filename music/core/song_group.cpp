#include "music/core/song_group.h"

#include <algorithm>
#include <cstring>

namespace virelo {
namespace {

// Below this size a plain scan is quicker than any index.
constexpr std::size_t kScanLimit = 16;

}  // namespace

SongGroup::SongGroup(CollectionKind owner, GroupKind kind, std::string_view name) : owner_(owner), kind_(kind) {
  setName(name);
}

void SongGroup::setName(std::string_view name) {
  std::memset(name_, 0, sizeof name_);
  std::size_t n = std::min(name.size(), kGroupNameBytes - 1);
  n = std::min(n, static_cast<std::size_t>(std::find(name.begin(), name.begin() + n, '\0') - name.begin()));
  if (n) std::memcpy(name_, name.data(), n);
}

SongGroup SongGroup::forGenre(CollectionKind owner, std::int32_t genre) {
  SongGroup group(owner, GroupKind::Genre, {});
  std::uint32_t bits = static_cast<std::uint32_t>(genre);
  for (int i = 0; i < 4; ++i) group.name_[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return group;
}

std::string_view SongGroup::name() const { return std::string_view(name_, ::strnlen(name_, kGroupNameBytes)); }

std::int32_t SongGroup::genre() const {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(name_[i])) << (8 * i);
  return static_cast<std::int32_t>(bits);
}

void SongGroup::buildMemberSet() const {
  memberSet_.clear();
  memberSet_.insert(members_.begin(), members_.end());
  memberSetBuilt_ = true;
}

bool SongGroup::contains(const SongRecord* record) const {
  if (!memberSetBuilt_) {
    if (members_.size() <= kScanLimit) return std::find(members_.begin(), members_.end(), record) != members_.end();
    buildMemberSet();
  }
  return memberSet_.count(record) != 0;
}

bool SongGroup::add(SongRecord* record) {
  if (!record || contains(record)) return false;
  appendNew(record);
  return true;
}

void SongGroup::appendNew(SongRecord* record) {
  if (positionsBuilt_) positions_.emplace(record, static_cast<int>(members_.size()));
  members_.push_back(record);
  if (memberSetBuilt_) memberSet_.insert(record);
}

bool SongGroup::remove(const SongRecord* record) {
  if (memberSetBuilt_ && memberSet_.count(record) == 0) return false;
  auto it = std::find(members_.begin(), members_.end(), record);
  if (it == members_.end()) return false;
  members_.erase(it);
  if (memberSetBuilt_) memberSet_.erase(record);
  positions_.clear();
  positionsBuilt_ = false;
  return true;
}

int SongGroup::indexOf(const SongRecord* record) const {
  if (!positionsBuilt_) {
    if (members_.size() <= kScanLimit) {
      auto it = std::find(members_.begin(), members_.end(), record);
      return it == members_.end() ? -1 : static_cast<int>(it - members_.begin());
    }
    positions_.clear();
    positions_.reserve(members_.size());
    for (std::size_t i = 0; i < members_.size(); ++i) positions_.emplace(members_[i], static_cast<int>(i));
    positionsBuilt_ = true;
  }
  auto it = positions_.find(record);
  return it == positions_.end() ? -1 : it->second;
}

void SongGroup::removeAll(const std::unordered_set<const SongRecord*>& records) {
  std::size_t before = members_.size();
  std::erase_if(members_, [&records](const SongRecord* r) { return records.count(r) != 0; });
  if (members_.size() == before) return;
  if (memberSetBuilt_)
    for (const SongRecord* r : records) memberSet_.erase(r);
  positions_.clear();
  positionsBuilt_ = false;
}

void SongGroup::clearMembers() {
  members_.clear();
  memberSet_.clear();
  memberSetBuilt_ = false;
  positions_.clear();
  positionsBuilt_ = false;
  shuffleCount = 0;
  shuffleOrder.clear();
}

}  // namespace virelo
