#include "edb/blob_store.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>
#include <vector>

#include "edb/coding.h"
#include "edb/errors.h"
#include "edb/format.h"

namespace rc {

struct BlobStore::Header {
  uint8_t raw[kBlobHeaderSize] = {};
  int32_t block_count = 0;
  int32_t free_count = 0;
  int32_t free_head = 0;
};

namespace {

int64_t BlockOffset(int32_t block) { return static_cast<int64_t>(block) * kBlockSize; }

// Blocks that exist in a file of `size` bytes, capped to what a block number can name.
int64_t BlocksIn(int64_t size) {
  return std::min<int64_t>(size / kBlockSize, std::numeric_limits<int32_t>::max());
}

// Locks one companion byte for the length of a scope.
class ScopedBlobLock {
 public:
  ScopedBlobLock(LockTable& table, File& file, int64_t offset, LockKind kind)
      : table_(table), file_(file), offset_(offset) {
    ok_ = table_.Lock(file_, offset_, kind, kNoRetryMs) == kDbOk;
  }
  ~ScopedBlobLock() {
    if (ok_) table_.Unlock(file_, offset_);
  }
  ScopedBlobLock(const ScopedBlobLock&) = delete;
  ScopedBlobLock& operator=(const ScopedBlobLock&) = delete;
  bool ok() const { return ok_; }

 private:
  LockTable& table_;
  File& file_;
  int64_t offset_;
  bool ok_;
};

// Walks a chain holding one block at a time: the next block is locked before the one
// before it is let go, so the chain is never unguarded while it is followed.
class ChainWalk {
 public:
  ChainWalk(LockTable& table, File& file, LockKind kind) : table_(table), file_(file), kind_(kind) {}
  ~ChainWalk() { Release(); }
  ChainWalk(const ChainWalk&) = delete;
  ChainWalk& operator=(const ChainWalk&) = delete;

  bool Step(int32_t block) {
    if (table_.Lock(file_, BlockOffset(block), kind_, kNoRetryMs) != kDbOk) return false;
    Release();
    held_ = block;
    return true;
  }
  void Release() {
    if (held_ > 0) table_.Unlock(file_, BlockOffset(held_));
    held_ = 0;
  }

 private:
  LockTable& table_;
  File& file_;
  LockKind kind_;
  int32_t held_ = 0;
};

}  // namespace

int32_t BlobStore::ReachesPast(const std::vector<int32_t>& heads, int32_t end, bool* past) {
  *past = false;
  for (int32_t block : heads) {
    // A chain longer than the blocks there are loops; that is for the reader to report.
    for (int32_t steps = 0; block > 0 && steps < end; ++steps) {
      if (block >= end) {
        *past = true;
        return kDbOk;
      }
      BlockLinks links;
      if (int32_t code = ReadLinks(block, &links); code != kDbOk) return kDbBlobReadFailed;
      block = links.next;
    }
  }
  return kDbOk;
}

int32_t BlobStore::CheckOnOpen(int32_t main_version, bool read_only, const ChainHeads& heads) {
  uint8_t raw[kBlobHeaderSize];
  size_t done = 0;
  if (file_->Read(0, raw, sizeof raw, &done) != kDbOk || done < sizeof raw) {
    return kDbBlobReadFailed;
  }
  int32_t block_count = DecodeInt32(raw + kBlobBlockCountOffset);
  int32_t free_count = DecodeInt32(raw + kBlobFreeCountOffset);
  int32_t free_head = DecodeInt32(raw + kBlobFreeHeadOffset);
  if (DecodeFixed32(raw) != kBlobMagic || block_count < 1 || free_count < 0 ||
      free_count >= block_count || free_head < 0 || free_head >= block_count) {
    return kDbBlobReadFailed;
  }
  if (DecodeInt32(raw + kVersionOffset) != main_version) return kDbBlobVersionMismatch;
  int64_t size = 0;
  if (file_->Size(&size) != kDbOk) return kDbBlobReadFailed;
  int64_t blocks = BlocksIn(size);
  if (blocks < block_count) {
    // A file cut short (the header block itself incomplete) cannot be repaired.
    if (read_only || blocks < 1) return kDbBlobDamaged;
    block_count = static_cast<int32_t>(blocks);
    std::vector<int32_t> firsts;
    if (int32_t code = heads(&firsts); code != kDbOk) return code;
    bool past = false;
    if (int32_t code = ReachesPast(firsts, block_count, &past); code != kDbOk) return code;
    if (past) return kDbBlobDamaged;
    EncodeInt32(raw + kBlobBlockCountOffset, block_count);
    // A free list that now points past the end is dropped; its blocks are lost, not reused
    // as if they were free.
    if (free_head >= block_count || free_count >= block_count) {
      EncodeInt32(raw + kBlobFreeCountOffset, 0);
      EncodeInt32(raw + kBlobFreeHeadOffset, 0);
    }
    if (file_->Write(0, raw, sizeof raw) != kDbOk) return kDbBlobReadFailed;
  }
  return kDbOk;
}

int32_t BlobStore::Read(int32_t first_block, std::string* out) {
  out->clear();
  if (first_block <= 0) return kDbOk;
  int64_t size = 0;
  if (file_->Size(&size) != kDbOk) return kDbBlobAccessFailed;
  const int64_t blocks = BlocksIn(size);
  int32_t block = first_block;
  if (block >= blocks) return kDbBlobAccessFailed;
  if (locks_.Lock(*file_, BlockOffset(block), kind_, kNoRetryMs) != kDbOk) {
    return kDbBlobAccessFailed;
  }
  int32_t code = kDbOk;
  int64_t steps = 0;
  uint8_t buffer[kBlockSize];
  while (true) {
    size_t done = 0;
    if (++steps >= blocks || file_->Read(BlockOffset(block), buffer, sizeof buffer, &done) != kDbOk ||
        done < sizeof buffer) {
      code = kDbBlobAccessFailed;  // a loop, or a block that is not all there
      break;
    }
    int32_t used = DecodeInt32(buffer + kBlockUsedOffset);
    int32_t next = DecodeInt32(buffer + kBlockNextOffset);
    // A block with nothing used adds nothing: that is how a value whose blocks were freed
    // before its record was rewritten (a crash in between) reads.
    if (used < 0 || used > kBlockDataSize || next >= blocks) {
      code = kDbBlobAccessFailed;
      break;
    }
    out->append(reinterpret_cast<const char*>(buffer + kBlockDataOffset), used);
    if (next <= 0) break;
    // Hand over hand: hold the next block before letting go of this one.
    if (locks_.Lock(*file_, BlockOffset(next), kind_, kNoRetryMs) != kDbOk) {
      code = kDbBlobAccessFailed;
      break;
    }
    locks_.Unlock(*file_, BlockOffset(block));
    block = next;
  }
  locks_.Unlock(*file_, BlockOffset(block));
  if (code != kDbOk) out->clear();
  return code;
}

int32_t BlobStore::LoadHeader(Header* h, int64_t blocks_in_file) {
  size_t done = 0;
  if (file_->Read(0, h->raw, sizeof h->raw, &done) != kDbOk || done < sizeof h->raw) {
    return kDbBlobAccessFailed;
  }
  h->block_count = DecodeInt32(h->raw + kBlobBlockCountOffset);
  h->free_count = DecodeInt32(h->raw + kBlobFreeCountOffset);
  h->free_head = DecodeInt32(h->raw + kBlobFreeHeadOffset);
  if (h->block_count < 1 || h->block_count > blocks_in_file ||
      h->block_count == std::numeric_limits<int32_t>::max() || h->free_count < 0 ||
      h->free_count >= h->block_count || h->free_head < 0 || h->free_head >= h->block_count) {
    return kDbBlobAccessFailed;
  }
  return kDbOk;
}

int32_t BlobStore::StoreHeader(const Header& h) {
  uint8_t raw[kBlobHeaderSize];
  std::memcpy(raw, h.raw, sizeof raw);
  EncodeInt32(raw + kBlobBlockCountOffset, h.block_count);
  EncodeInt32(raw + kBlobFreeCountOffset, h.free_count);
  EncodeInt32(raw + kBlobFreeHeadOffset, h.free_head);
  return file_->Write(0, raw, sizeof raw) == kDbOk ? kDbOk : kDbBlobAccessFailed;
}

int32_t BlobStore::ReadLinks(int32_t block, BlockLinks* links) {
  ScopedBlobLock lock(locks_, *file_, BlockOffset(block), kind_);
  if (!lock.ok()) return kDbBlobAccessFailed;
  uint8_t raw[kBlockDataOffset];
  size_t done = 0;
  if (file_->Read(BlockOffset(block), raw, sizeof raw, &done) != kDbOk || done < sizeof raw) {
    return kDbBlobAccessFailed;
  }
  links->prev = DecodeInt32(raw + kBlockPrevOffset);
  links->next = DecodeInt32(raw + kBlockNextOffset);
  links->used = DecodeInt32(raw + kBlockUsedOffset);
  return kDbOk;
}

int32_t BlobStore::WriteBlock(int32_t block, const BlockLinks& links, std::string_view data) {
  ScopedBlobLock lock(locks_, *file_, BlockOffset(block), kind_);
  if (!lock.ok()) return kDbBlobAccessFailed;
  uint8_t raw[kBlockSize] = {};
  EncodeInt32(raw + kBlockPrevOffset, links.prev);
  EncodeInt32(raw + kBlockNextOffset, links.next);
  EncodeInt32(raw + kBlockUsedOffset, links.used);
  if (!data.empty()) std::memcpy(raw + kBlockDataOffset, data.data(), data.size());
  return file_->Write(BlockOffset(block), raw, sizeof raw) == kDbOk ? kDbOk : kDbBlobAccessFailed;
}

int32_t BlobStore::SetLink(int32_t block, bool prev, int32_t value) {
  ScopedBlobLock lock(locks_, *file_, BlockOffset(block), kind_);
  if (!lock.ok()) return kDbBlobAccessFailed;
  uint8_t raw[4];
  EncodeInt32(raw, value);
  int64_t at = BlockOffset(block) + (prev ? kBlockPrevOffset : kBlockNextOffset);
  return file_->Write(at, raw, sizeof raw) == kDbOk ? kDbOk : kDbBlobAccessFailed;
}

// The state of one Write: the header (locked and loaded only when the free list or the
// block count is needed), the walk over the old chain, and every block number met so far.
struct BlobStore::WriteState {
  WriteState(LockTable& table, File& file, LockKind kind, int64_t blocks)
      : blocks_in_file(blocks), old_walk(table, file, kind) {}

  // Every block number met is checked once; a number met twice is a loop or two chains
  // sharing a block, both damage.
  bool Claim(int32_t block) {
    return block > 0 && block < blocks_in_file && seen.insert(block).second;
  }

  const int64_t blocks_in_file;
  Header h;
  bool header_loaded = false;
  bool header_dirty = false;
  // One walk over the old chain: the blocks reused first, then those freed.
  ChainWalk old_walk;
  // Where the old chain goes on after the blocks reused so far (0: it ends).
  int32_t old_cursor = 0;
  // Whether a block was taken off the free list (its new head then needs no previous).
  bool took_free = false;
  std::unordered_set<int32_t> seen;
};

int32_t BlobStore::LockAndLoadHeader(WriteState& w) {
  if (w.header_loaded) return kDbOk;
  if (locks_.Lock(*file_, kBlobHeaderLockOffset, kind_, kNoRetryMs) != kDbOk) {
    return kDbBlobAccessFailed;
  }
  int32_t code = LoadHeader(&w.h, w.blocks_in_file);
  if (code != kDbOk) {
    locks_.Unlock(*file_, kBlobHeaderLockOffset);
    return code;
  }
  w.header_loaded = true;
  return kDbOk;
}

int32_t BlobStore::TakeNewBlock(WriteState& w, int32_t* block) {
  if (int32_t c = LockAndLoadHeader(w); c != kDbOk) return c;
  Header& h = w.h;
  if (h.free_count > 0 && h.free_head > 0) {
    const int32_t head = h.free_head;
    BlockLinks links;
    if (ReadLinks(head, &links) != kDbOk) return kDbBlobAccessFailed;
    if (links.used == 0 && links.next >= 0 && links.next < h.block_count && w.Claim(head)) {
      h.free_head = links.next;
      --h.free_count;
      w.took_free = true;
      w.header_dirty = true;
      *block = head;
      return kDbOk;
    }
    // A head that is in use is what a crash between writing a chain and writing the
    // header leaves behind. Taking it would overwrite a stored value; the list is dropped
    // instead (its blocks stay unused) and the file grows.
    h.free_head = 0;
    h.free_count = 0;
  }
  if (h.block_count == std::numeric_limits<int32_t>::max()) return kDbBlobAccessFailed;
  if (!w.seen.insert(h.block_count).second) return kDbBlobAccessFailed;
  *block = h.block_count++;
  w.header_dirty = true;
  return kDbOk;
}

int32_t BlobStore::ChooseBlocks(WriteState& w, size_t pieces, std::vector<int32_t>* chosen) {
  chosen->reserve(pieces);
  for (size_t i = 0; i < pieces; ++i) {
    int32_t block = 0;
    if (w.old_cursor > 0) {
      // The old chain's own blocks are reused first.
      block = w.old_cursor;
      BlockLinks links;
      if (!w.Claim(block) || !w.old_walk.Step(block) || ReadLinks(block, &links) != kDbOk) {
        return kDbBlobAccessFailed;
      }
      w.old_cursor = links.next > 0 ? links.next : 0;
    } else if (int32_t c = TakeNewBlock(w, &block); c != kDbOk) {
      return c;
    }
    chosen->push_back(block);
  }
  return kDbOk;
}

int32_t BlobStore::WriteChain(const std::vector<int32_t>& chosen, std::string_view data) {
  for (size_t i = 0; i < chosen.size(); ++i) {
    size_t at = i * kBlockDataSize;
    size_t n = std::min<size_t>(kBlockDataSize, data.size() - at);
    BlockLinks links{i ? chosen[i - 1] : 0, i + 1 < chosen.size() ? chosen[i + 1] : 0,
                     static_cast<int32_t>(n)};
    if (WriteBlock(chosen[i], links, data.substr(at, n)) != kDbOk) return kDbBlobAccessFailed;
  }
  return kDbOk;
}

int32_t BlobStore::FreeRestOfOldChain(WriteState& w, std::vector<int32_t>* freed) {
  if (int32_t c = LockAndLoadHeader(w); c != kDbOk) return c;
  Header& h = w.h;
  for (int32_t block = w.old_cursor; block > 0;) {
    BlockLinks links;
    if (!w.Claim(block) || !w.old_walk.Step(block) || ReadLinks(block, &links) != kDbOk) {
      return kDbBlobAccessFailed;
    }
    freed->push_back(block);
    block = links.next;
  }
  // The freed blocks go to the front of the free list.
  const int32_t old_head = h.free_head;
  for (size_t i = 0; i < freed->size(); ++i) {
    BlockLinks links{i ? (*freed)[i - 1] : 0, i + 1 < freed->size() ? (*freed)[i + 1] : old_head,
                     0};
    if (WriteBlock((*freed)[i], links, {}) != kDbOk) return kDbBlobAccessFailed;
  }
  if (old_head > 0 && SetLink(old_head, true, freed->back()) != kDbOk) {
    return kDbBlobAccessFailed;
  }
  h.free_head = freed->front();
  h.free_count += static_cast<int32_t>(freed->size());
  w.header_dirty = true;
  if (h.free_count >= h.block_count) return kDbBlobAccessFailed;
  return kDbOk;
}

int32_t BlobStore::TrimFreeTail(Header& h) {
  int32_t last = h.block_count - 1;
  while (last >= 1 && h.free_count > 0) {
    BlockLinks links;
    if (ReadLinks(last, &links) != kDbOk) return kDbBlobAccessFailed;
    if (links.used != 0) break;
    const bool was_head = h.free_head == last;
    if (links.prev < 0 || links.prev >= h.block_count || links.next < 0 ||
        links.next >= h.block_count || (!was_head && links.prev == 0)) {
      return kDbBlobAccessFailed;
    }
    // Unlink the last block from the free list.
    if (was_head) {
      h.free_head = links.next;
    } else if (SetLink(links.prev, false, links.next) != kDbOk) {
      return kDbBlobAccessFailed;
    }
    if (links.next > 0 && SetLink(links.next, true, was_head ? 0 : links.prev) != kDbOk) {
      return kDbBlobAccessFailed;
    }
    --h.free_count;
    --last;
  }
  h.block_count = last + 1;
  if (file_->Truncate(BlockOffset(h.block_count)) != kDbOk) return kDbBlobAccessFailed;
  return kDbOk;
}

int32_t BlobStore::ReplaceChain(WriteState& w, std::string_view data, int32_t* new_first) {
  const size_t pieces = (data.size() + kBlockDataSize - 1) / kBlockDataSize;
  std::vector<int32_t> chosen;
  if (int32_t c = ChooseBlocks(w, pieces, &chosen); c != kDbOk) return c;
  if (int32_t c = WriteChain(chosen, data); c != kDbOk) return c;
  *new_first = chosen.empty() ? 0 : chosen.front();
  // The new head of the free list has no previous block.
  if (w.took_free && w.h.free_head > 0 && SetLink(w.h.free_head, true, 0) != kDbOk) {
    return kDbBlobAccessFailed;
  }
  if (w.old_cursor <= 0) return kDbOk;
  std::vector<int32_t> freed;
  if (int32_t c = FreeRestOfOldChain(w, &freed); c != kDbOk) return c;
  // Only when the last block of the file was freed can the file get shorter.
  if (std::find(freed.begin(), freed.end(), w.h.block_count - 1) == freed.end()) return kDbOk;
  return TrimFreeTail(w.h);
}

int32_t BlobStore::Write(int32_t old_first, std::string_view data, int32_t* new_first) {
  *new_first = 0;
  int64_t size = 0;
  if (file_->Size(&size) != kDbOk) return kDbBlobAccessFailed;
  WriteState w(locks_, *file_, kind_, BlocksIn(size));
  w.old_cursor = old_first > 0 ? old_first : 0;
  int32_t code = ReplaceChain(w, data, new_first);
  // The header goes back whenever it changed, also after a failure, so that the blocks
  // already written stay accounted for.
  if (w.header_loaded) {
    if (w.header_dirty && StoreHeader(w.h) != kDbOk && code == kDbOk) code = kDbBlobAccessFailed;
    locks_.Unlock(*file_, kBlobHeaderLockOffset);
  }
  if (code != kDbOk) *new_first = 0;
  return code;
}

}  // namespace rc
