// The companion file: a heap of 512-byte blocks holding memo and byte-set values as chains,
// with a free list (edb/format.h has the layout). Every block number that comes from the
// file is checked before use: a chain that loops or points outside the file is damage and
// fails with kDbBlobAccessFailed, never a hang or a read outside a block.
#ifndef ROLLCALL_EDB_BLOB_STORE_H_
#define ROLLCALL_EDB_BLOB_STORE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "edb/file.h"
#include "edb/locks.h"

namespace rc {

class BlobStore {
 public:
  // `file` must outlive the store. Locks are taken as `kind` (shared for read-only opens).
  BlobStore(File* file, LockKind kind) : file_(file), kind_(kind) {}

  // Puts the first block of every value the records hold into `*heads`; returns 0 or the
  // database's error code.
  using ChainHeads = std::function<int32_t(std::vector<int32_t>* heads)>;

  // The checks and repair made when a database with memo or byte-set fields is opened.
  // A file shorter than its block count is repaired by lowering the count only when no
  // value reaches past the new end (`heads` is asked then); otherwise those blocks would
  // be handed out again while a record still names them, and the open fails.
  // Returns kDbOk, kDbBlobReadFailed, kDbBlobVersionMismatch or kDbBlobDamaged.
  [[nodiscard]] int32_t CheckOnOpen(int32_t main_version, bool read_only,
                                    const ChainHeads& heads);

  // Reads the value whose chain starts at `first_block` (0 or less: empty).
  [[nodiscard]] int32_t Read(int32_t first_block, std::string* out);

  // Writes `data` as the value that replaces the chain starting at `old_first` (0: none),
  // reusing its blocks first, then free blocks, then new ones at the end; frees what is
  // left of the old chain and trims free blocks off the end of the file. `*new_first` gets
  // the first block (0 for empty data).
  [[nodiscard]] int32_t Write(int32_t old_first, std::string_view data, int32_t* new_first);

  // Releases every lock still held (when the database is closed).
  void ReleaseLocks() { locks_.ReleaseAll(*file_); }

 private:
  struct Header;
  struct BlockLinks {
    int32_t prev = 0, next = 0, used = 0;
  };
  int32_t LoadHeader(Header* h, int64_t blocks_in_file);
  int32_t StoreHeader(const Header& h);
  int32_t ReadLinks(int32_t block, BlockLinks* links);
  int32_t WriteBlock(int32_t block, const BlockLinks& links, std::string_view data);
  int32_t SetLink(int32_t block, bool prev, int32_t value);
  int32_t ReachesPast(const std::vector<int32_t>& heads, int32_t end, bool* past);

  // The steps of Write, in the order it takes them.
  struct WriteState;
  int32_t ReplaceChain(WriteState& w, std::string_view data, int32_t* new_first);
  // A block for each piece of the value: the old chain's, then free ones, then new ones.
  int32_t ChooseBlocks(WriteState& w, size_t pieces, std::vector<int32_t>* chosen);
  int32_t TakeNewBlock(WriteState& w, int32_t* block);
  int32_t LockAndLoadHeader(WriteState& w);
  int32_t WriteChain(const std::vector<int32_t>& chosen, std::string_view data);
  int32_t FreeRestOfOldChain(WriteState& w, std::vector<int32_t>* freed);
  // Cuts free blocks off the end of the file.
  int32_t TrimFreeTail(Header& h);

  File* file_;
  LockKind kind_;
  LockTable locks_;
};

}  // namespace rc

#endif  // ROLLCALL_EDB_BLOB_STORE_H_
