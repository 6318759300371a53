// The clan's family tree: every Person record, the links between them, the genealogy file, the
// searches and listings, and the edits; its parts: the record's codec (home_record.h), the name
// index (name_index.h), the edit history (edit_history.h). Kinship is kinship/kinship.h.
//
// What the tree owns: every record it has read or added, until the next load or releaseAll (a
// record whose birth or marriage was taken back stays, outside the tree, for a redo), and the
// edits made since the last load, for undo and redo.
// Links are plain pointers between records of the same tree; nothing outside holds a record
// beyond the next load.
//
// Link invariants (a file may break them; every operation stays defined when it does):
//   1. Clan members hang from `root` by `firstChild` and the sibling chain: a father's children
//      are his firstChild, then each child's youngerSibling in turn; olderSibling points back and
//      every child's `father` is the father. Chain order is reading or adding order.
//   2. A wife has no father, no siblings and no children; she is her husband's `spouse` (first
//      wife) or `secondWife`, and her `spouse` points back to him. A man holds at most two wives.
//   3. A child's mother is named only by `motherIndex`: '1' the father's spouse, '2' his
//      secondWife, '0' none recorded.
//   4. A daughter of the clan has no husband link.
//   5. `deathDate` is set exactly while `alive` is 'n'.
//
// Walks: findByName walks depth-first in post-order from `root` (root's younger siblings, if a
// file gave it any, included); listings and save walk breadth-first from `root`. Every walk goes
// down as deep as the tree does (a clan of 100,000 generations included), and meets each member
// once: the load links no record into the walks two ways (see load()). A person that no walk
// reaches is not found, listed or shown, but save still writes it back (see save()). The
// searches are served by an index that returns exactly what the walk would. Walks must not nest;
// the tree is not thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/edit_history.h"
#include "core/home_record.h"
#include "core/node_containers.h"
#include "core/person.h"
#include "platform/read_problem.h"
#include "platform/text_file.h"

namespace quillet {

// A change in memory that the genealogy file cannot hold: the record of the person would read
// back otherwise than the tree holds it (see FamilyTree::save).
enum class UnsavableChange {
  kWifeMadeMale,           // a wife whose sex is no longer 'f' loses her husband on reading
  kRootGenerationChanged,  // the root's generation is not '0': the file would have no root
  kRootMadeFemale,         // the root's sex is not 'm': likewise
  kSecondRoot,             // a man of generation '0' besides the root would become the root
  kNameReadAsNobody,       // a name beginning with '0', which the file's name fields read as
                           // nobody, is named by others (children, a younger sibling, wives)
  kReadsBackDifferently,   // anything else: the record would be linked differently
};

// Where the last load stopped reading a file whose rest still holds records (or the start of
// one): the byte offset in the file and the bytes from there to its end.
struct UnreadRest {
  std::uint64_t offset = 0;
  std::uint64_t bytes = 0;
  bool operator==(const UnreadRest&) const = default;
};

// Why the last load found no genealogy in the file.
struct LoadFailure {
  // The file does not open for reading, for this reason.
  platform::ReadProblem problem = platform::ReadProblem::kOther;
  // The file opened, but its first kNoRecordSpan bytes hold no record: it is not read further.
  bool noRecordAtStart = false;
};

// The stretch of a genealogy file without any record ('!') after which the reading stops: no
// genealogy holds one (a record is under a hundred bytes), and a file that does (a sparse file,
// a disk image) is read no further, so that memory is bounded by the records found.
inline constexpr std::size_t kNoRecordSpan = std::size_t{1} << 16;

// The reason in English words for the command lines ("not found", "no genealogy record at its
// start" ...), and in Chinese (GBK) for the window.
std::string_view loadFailureText(const LoadFailure& failure);
std::string_view loadFailureWords(const LoadFailure& failure);

// What a refused save found. Persons are the tree's own records, in the file's order.
struct SaveReport {
  std::vector<std::pair<const Person*, UnsavableChange>> unsavable;
  // The load stopped before the end of the file (a 0xFF byte between records, a record cut
  // short, memory that ran out) and left records unread: a save would lose them.
  std::optional<UnreadRest> unreadRest;
  // The genealogy file is no longer the one this tree was read from (or last saved to):
  // another program replaced or changed it.
  bool changedOnDisk = false;
  // Why the file could not be written (a read-only file or folder, a full disk ...), or ok when
  // that was not what stopped the save.
  platform::Status fileFailure;
};

class NameIndex;

class FamilyTree {
 public:
  // An empty tree that reads and writes the GBK-named file `fileName` in the working directory.
  explicit FamilyTree(std::string fileName = "home.txt");
  ~FamilyTree();
  FamilyTree(const FamilyTree&) = delete;
  FamilyTree& operator=(const FamilyTree&) = delete;

  // --- State -----------------------------------------------------------------------------------

  // Persons read by the last load plus those added since.
  std::int32_t personCount() const { return personCount_; }
  // The deepest generation number as left by the last load or birth.
  std::int32_t generationCount() const { return generationCount_; }
  // Women read by the last load plus women added since (a change of sex leaves it).
  std::int32_t femaleCount() const { return femaleCount_; }
  // The man of generation '0' (the last such record of the file), or null.
  Person* root() const { return root_; }
  // True when the edits in effect (see "Undo and redo") differ from those in effect at the last
  // load or successful save: a birth and its undo leave none, a change back to an earlier value
  // by a second edit still counts, a change to the value already stored is no edit.
  bool hasUnsavedChanges() const { return history_.hasUnsavedChanges(); }

  // Gives a record its defaults: no texts, no links, alive 'y', married 'n', motherIndex '0'.
  // Leaves sex, generation and treeIndex. False when `person` is null.
  static bool initPerson(Person* person);

  // --- The genealogy file ---------------------------------------------------------------------

  // Replaces the tree with the records of the file. True when the file was read to its end;
  // false when it does not open or is not a regular file, or its first kNoRecordSpan bytes hold
  // no record (the tree is then empty and loadFailure() says why), or memory ran out (the
  // records read so far stay). A stretch of kNoRecordSpan bytes without a record later in the
  // file ends the reading there, as a 0xFF between records does: the rest is not read into
  // memory, and unreadRest() says where the reading stopped. A record cut short by the end of the
  // file is not taken. Either way the tree has no unsaved changes and no kept edits afterwards.
  // When the reading stopped before the end (0xFF between records, a record cut short, memory) and
  // the rest holds a '!', unreadRest() says where, and save refuses until a load reads a file to
  // its end. A load of a file that has not changed since the last load read it whole, into a tree
  // that nothing has changed since, costs one look at the file's identity: the tree is already what
  // the reading would make of it (the same persons, fields, links and counts), and is kept.
  // A record that the walks already reach as its father's first child is not also chained after
  // an older sibling they reach (a broken file can name both): the first link is kept, so that
  // the walks stay a tree. Names resolve as the walk of findByName finds them, at any depth.
  // Time and memory grow linearly with the file's size, whatever its shape (names that several
  // reachable records share add a logarithmic factor).
  // The file is only read, so a read-only file loads (and a save then says it is read-only).
  bool load();

  // Appends the record of `person` to `file`. False, writing nothing, when `person` is null;
  // false when the bytes could not all be written.
  bool writePerson(const Person* person, platform::TextFile& file) const;

  // Writes the whole tree to the file, breadth-first from the root. A tree that a broken file
  // left irregular (records no walk reaches, among others) is written in reading and adding
  // order instead, so that the next load reads every record back as this tree holds it.
  // The file is replaced only when all of this holds; on false the old file is whole and the
  // tree unchanged:
  //   - the last load left no records unread (else `report.unreadRest`);
  //   - the tree has a root;
  //   - the bytes to be written, read back, give exactly this tree: the same records with the
  //     same fields and the same links and root (else `report.unsavable` says whose records
  //     would not, and why);
  //   - the file is still the one this tree was last read from or saved to (else
  //     `report.changedOnDisk`): the same inode, size, modification and status-change times (a
  //     change of its status alone after a load, with its text unchanged, still counts as the
  //     same file); it is checked, and replaced, under an exclusive lock that also waits for
  //     other programs' lockf and fcntl locks;
  //   - every byte has been written and synced (not a read-only file or directory, no full
  //     disk, no file size limit; else `report.fileFailure` says which).
  // A symbolic link is saved through, and the file keeps its owner and group where the system
  // allows it, its ACLs and extended attributes, and its permissions without set-id bits (see
  // platform::TextFile::openReplacement).
  // True clears the unsaved changes; false leaves them.
  bool save(SaveReport& report);
  bool save();

  // --- Searches and listings ------------------------------------------------------------------

  // True and the first person the post-order walk meets whose name equals `key` (a clan member,
  // or a wife, returned as herself); false and null when nobody reachable has it.
  bool findByName(Person*& result, const NameKey& key);
  // The depth-first walk that defines findByName's answer, without the index: what findByName
  // returns must always equal what this returns. For checks; it walks the whole tree.
  bool findByNameByWalk(Person*& result, const NameKey& key);

  // Breadth-first listings. `list` is cleared, then filled; its size is the count.
  // The members of generation `generation` each followed by their wives; false when the
  // character is not '0'..'9' or there is no root.
  bool listByGeneration(char generation, std::vector<Person*>& list);
  // Members whose sex is `sex` (never the root), and in place of each member of the other sex
  // his wives; false when there is no root.
  bool listBySex(char sex, std::vector<Person*>& list);
  // Members (never the root) whose alive flag is `alive`, each followed by their wives whose flag
  // is; false when there is no root.
  bool listByAlive(char alive, std::vector<Person*>& list);

  // 1-based place among the father's children (the chain's length when not in it); for a person
  // without father 1 when a man of generation '1', else 0.
  static int siblingRank(const Person& person);
  // Positive when `a` was born before `b`, negative when after, 0 on the same date.
  static int compareBirth(const Person& a, const Person& b);

  // --- Edits ----------------------------------------------------------------------------------

  // Adds a child of the woman named `motherName`, last in her husband's chain; `added` (when
  // given) receives the new record. False, changing nothing, when she is not found, is not 'f',
  // or has no husband (a daughter of the clan).
  bool addChild(const NameKey& childName, const NameKey& motherName, char sex,
                const DateText& birthDate, Person** added = nullptr);
  // Adds a wife to the person named `husbandName` (first wife, or second when he has one);
  // `added` (when given) receives the new record. False, changing nothing, when nobody has the
  // name or he already has two wives.
  bool addWife(const NameKey& wifeName, const NameKey& husbandName, const DateText& birthDate,
               Person** added = nullptr);
  // Changes one field of `person`:
  //   1 name (value: the 6 bytes of a name key; false when another record has it, reachable
  //     or not),
  //   2 sex (toggled, value unused), 3 generation (value's first byte),
  //   4 birth date (value's first 8 bytes), 5 death (living: dies on the value's first 8 bytes;
  //   dead: lives again), any other selector: nothing.
  // True when done or when there is nothing to do; false when `person` is null, the name is
  // taken, or `value` is shorter than the field needs (nothing changes then). Only a stored
  // value that actually changes makes an unsaved change.
  bool modifyField(Person* person, int selector, std::string_view value);

  // --- Undo and redo ----------------------------------------------------------------------------
  //
  // The tree keeps every edit made since the last load, in order: each addChild and addWife
  // that added a person and each modifyField that changed a stored value. undo takes back the
  // latest edit in effect, redo does the latest taken-back one again; a new edit drops those
  // that could have been done again. Edits are taken back latest first, so a birth taken back
  // is the last child of its father's chain, without wives or children, and a marriage taken
  // back is the wife in her husband's last wife slot. Both keep the name index and its reach
  // bookkeeping exactly as the edit itself would have left them, in constant time under tree
  // reach.

  using EditKind = quillet::EditKind;
  using EditSummary = quillet::EditSummary;  // what an undo or redo did
  // True when there is an edit to take back (undo) or to do again (redo).
  bool canUndo() const { return history_.nextUndo() != nullptr; }
  bool canRedo() const { return history_.nextRedo() != nullptr; }
  // The edits in effect: every kept edit adds one, every undo takes one away.
  std::size_t editsInEffect() const { return history_.inEffect(); }
  // What undo would take back and redo would do again, as their summaries would say; nothing
  // when there is none.
  std::optional<EditSummary> nextUndo() const;
  std::optional<EditSummary> nextRedo() const;
  // Takes back the latest edit in effect; false, changing nothing, when there is none.
  bool undo(EditSummary* summary = nullptr);
  // Does the latest taken-back edit again; false, changing nothing, when there is none.
  bool redo(EditSummary* summary = nullptr);

  // Releases the record held at `place` (which is left as it is): it leaves the tree's searches
  // and files, and its storage goes with the tree's. For program exit only: the record must be
  // linked from nowhere that is used again.
  void releasePerson(Person*& place);
  // Frees every record; the tree is empty afterwards.
  void releaseAll();

  // --- Inspection -------------------------------------------------------------------------------

  // Where the last load stopped short of records it left unread; nothing when it read them all.
  const std::optional<UnreadRest>& unreadRest() const { return unreadRest_; }
  // Why the last load found no genealogy; nothing when it read the file (or none was loaded).
  const std::optional<LoadFailure>& loadFailure() const { return loadFailure_; }
  // Records that no breadth-first walk reaches, in reading or adding order.
  std::vector<const Person*> unplacedRecords() const;
  // True when a record of the tree has the name `key`, whether a walk reaches it or not: a name
  // that a new or renamed person cannot take, since the file could not hold both.
  bool holdsName(const NameKey& key) const;

 private:
  struct Record;

  struct RecordCursor;
  static Edit newEdit(EditKind kind, Record* person, Person* holder);
  void keepEdit(Edit edit);
  void attachChild(Record* child, Person* father);
  void detachChild(Record* child, std::int32_t generationCountBefore);
  void attachWife(Record* wife, Person* husband);
  void detachWife(Record* wife, Person* husband, char marriedBefore);
  void rename(Record* record, const NameKey& key);
  void setFields(Record* record, PersonField field, const FieldValues& values);
  void leaveRelease(Record* record);

  Record* newRecord();
  void resetTree();
  void readRecords(std::string_view bytes, std::size_t& stop);
  void noteUnreadRest(std::string_view bytes, std::size_t stop, bool cut);
  platform::Status openForSave(std::unique_ptr<platform::TextFile>& file);
  bool readRecord(RecordCursor& in);
  // What breadthFirstOrder found of the tree (see there).
  struct OrderVerdict {
    bool regular = false;
    bool readsBackByConstruction = false;
  };
  // Whether breadthFirstOrder goes on through a tree it can no longer be sure of.
  enum class WhenUnsure { kGoOn, kStop };
  class OrderState;
  template <typename Emitted>
  OrderVerdict breadthFirstOrder(WhenUnsure whenUnsure, Emitted&& emitted);
  bool saveChecked(SaveReport& report, const platform::Status& openFailure);
  void savedTo(const platform::TextFile& file);
  void appendFileBytes(const std::vector<const Record*>& order, std::size_t begin, std::size_t end,
                       bool regular, std::string& bytes) const;
  bool readsBackAsIs(const std::vector<const Record*>& order, std::string_view bytes,
                     SaveReport& report) const;
  Person* findByNameNear(const NameKey& key, Record* previous);
  template <typename Visit>
  bool walkBreadthFirst(Visit&& visit);

  std::string fileName_;
  std::optional<platform::FileIdentity> fileIdentity_;  // the file as last read or saved
  std::optional<UnreadRest> unreadRest_;                // see unreadRest()
  std::optional<LoadFailure> loadFailure_;              // see loadFailure()
  std::optional<std::uint64_t> readDigest_;             // of the text read whole by the last load
  // The tree is what the last load read whole from a file whose identity tells its versions
  // apart (platform::isSettled), unchanged since: a load of the same file may keep it.
  bool keptAsRead_ = false;
  std::size_t releasedCount_ = 0;  // records released by releasePerson
  std::int32_t personCount_ = 0;
  std::int32_t generationCount_ = 0;
  std::int32_t femaleCount_ = 0;
  Person* root_ = nullptr;

  NodeStack stack_;
  NodeQueue queue_;

  class RecordStore;
  std::unique_ptr<RecordStore> records_;  // reading and adding order; addresses stay put
  std::unique_ptr<NameIndex> index_;
  class Reach;
  std::unique_ptr<Reach> reach_;  // which records the walks compare, behind the index
  // The name fields as the file gave them, by sequence, of the records that a save of a tree the
  // walks cannot write in order must write back with the names they could not resolve: those
  // whose father, older sibling or husband field named somebody (or was not the absent-name
  // field) and was not linked. Records absent here, added ones included, have absent-name fields.
  struct FileNames {
    NameField father, olderSibling, husband;
  };
  std::unordered_map<std::uint32_t, FileNames> fileNames_;
  // The last of the chain of each father who had a birth since the load (see attachChild).
  std::unordered_map<const Person*, Person*> lastChildren_;
  EditHistory history_;  // the edits since the last load
};

}  // namespace quillet
