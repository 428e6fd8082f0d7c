#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Component.h"

namespace wf {
namespace {

using Log = std::vector<std::wstring>;

// Writes its life events into a shared log.
class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, std::wstring name, Log& log) : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Recorder() override { log_.push_back(L"free " + Name()); }

  std::function<void()> on_loaded;
  std::vector<std::pair<TComponent*, TOperation>> notices;

 protected:
  void Loaded() override {
    log_.push_back(L"loaded " + Name() + (IsLoading() ? L"" : L" (not loading)"));
    TComponent::Loaded();
    if (on_loaded) on_loaded();
  }
  void Notification(TComponent* component, TOperation operation) override {
    notices.emplace_back(component, operation);
    if (operation == TOperation::opRemove)
      log_.push_back(Name() + L" heard " + component->Name() + L" go");
  }

 private:
  Log& log_;
};

TEST(ComponentOwnership, OwnerFreesOwnedInReverseOrderOfCreation) {
  Log log;
  auto* owner = new Recorder(nullptr, L"owner", log);
  new Recorder(owner, L"a", log);
  new Recorder(owner, L"b", log);
  new Recorder(owner, L"c", log);
  EXPECT_EQ(owner->ComponentCount(), 3);
  delete owner;
  EXPECT_EQ(log, (Log{L"free owner", L"free c", L"free b", L"free a"}));
}

TEST(ComponentOwnership, FreedComponentLeavesItsOwner) {
  Log log;
  Recorder owner(nullptr, L"owner", log);
  auto* a = new Recorder(&owner, L"a", log);
  auto* b = new Recorder(&owner, L"b", log);
  ASSERT_EQ(owner.notices.size(), 2u);
  EXPECT_EQ(owner.notices[0], std::make_pair(static_cast<TComponent*>(a), TOperation::opInsert));
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_EQ(log.back(), L"owner heard a go");
}

TEST(ComponentLoading, ComponentsMadeInsideTheBracketStartLoading) {
  Log log;
  Recorder owner(nullptr, L"owner", log);
  auto* before = new Recorder(&owner, L"before", log);
  EXPECT_FALSE(before->IsLoading());
  owner.BeginLoading();
  auto* inside = new Recorder(&owner, L"inside", log);
  auto* nested = new Recorder(inside, L"nested", log);
  EXPECT_TRUE(owner.IsLoading());
  EXPECT_TRUE(before->IsLoading());
  EXPECT_TRUE(inside->IsLoading());
  EXPECT_TRUE(nested->IsLoading());
  owner.EndLoading();
  EXPECT_FALSE(owner.IsLoading());
  EXPECT_FALSE(before->IsLoading());
  EXPECT_FALSE(inside->IsLoading());
  // A component owned by an owned one was made in the bracket too: it must
  // not stay loading forever.
  EXPECT_FALSE(nested->IsLoading());
  auto* after = new Recorder(&owner, L"after", log);
  EXPECT_FALSE(after->IsLoading());
}

TEST(ComponentLoading, EndLoadingCallsLoadedInCreationOrderThenTheOwner) {
  Log log;
  Recorder owner(nullptr, L"owner", log);
  owner.BeginLoading();
  new Recorder(&owner, L"first", log);
  new Recorder(&owner, L"second", log);
  new Recorder(&owner, L"third", log);
  owner.EndLoading();
  EXPECT_EQ(log, (Log{L"loaded first", L"loaded second", L"loaded third", L"loaded owner"}));
  log.clear();
  owner.EndLoading();  // nothing is loading any more
  EXPECT_TRUE(log.empty());
}

TEST(ComponentLoading, ComponentMadeByASiblingsLoadedIsLoadedToo) {
  Log log;
  Recorder owner(nullptr, L"owner", log);
  owner.BeginLoading();
  auto* maker = new Recorder(&owner, L"maker", log);
  Recorder* late = nullptr;
  maker->on_loaded = [&] { late = new Recorder(&owner, L"late", log); };
  owner.EndLoading();
  ASSERT_NE(late, nullptr);
  EXPECT_FALSE(late->IsLoading());
  EXPECT_EQ(log, (Log{L"loaded maker", L"loaded late", L"loaded owner"}));
}

TEST(ComponentFreeNotification, DeliversRemoveAndForgetsBothWays) {
  Log log;
  auto* watcher = new Recorder(nullptr, L"watcher", log);
  auto* watched = new Recorder(nullptr, L"watched", log);
  watcher->FreeNotification(watched);
  watcher->FreeNotification(watched);  // asking twice gives one notice
  delete watched;
  ASSERT_EQ(watcher->notices.size(), 1u);
  EXPECT_EQ(watcher->notices[0].second, TOperation::opRemove);
  // The watched one is gone from the watcher's records: freeing the watcher
  // must not reach it.
  delete watcher;
  EXPECT_EQ(log, (Log{L"free watched", L"watcher heard watched go", L"free watcher"}));
}

TEST(ComponentFreeNotification, FreedWatcherIsNotToldAnythingLater) {
  Log log;
  auto* watcher = new Recorder(nullptr, L"watcher", log);
  auto* watched = new Recorder(nullptr, L"watched", log);
  watcher->FreeNotification(watched);
  delete watcher;
  // The watched one heard that the watcher went, and forgot it.
  ASSERT_EQ(watched->notices.size(), 1u);
  EXPECT_EQ(watched->notices[0].second, TOperation::opRemove);
  delete watched;
  EXPECT_EQ(log, (Log{L"free watcher", L"watched heard watcher go", L"free watched"}));
}

TEST(ComponentFreeNotification, RemovedRequestGivesNoNotice) {
  Log log;
  Recorder watcher(nullptr, L"watcher", log);
  auto* watched = new Recorder(nullptr, L"watched", log);
  watcher.FreeNotification(watched);
  watcher.RemoveFreeNotification(watched);
  delete watched;
  EXPECT_TRUE(watcher.notices.empty());
}

TEST(ComponentFreeNotification, SiblingsFreedByTheirOwnerHearOfEachOther) {
  Log log;
  auto* owner = new Recorder(nullptr, L"owner", log);
  auto* target = new Recorder(owner, L"target", log);
  auto* holder = new Recorder(owner, L"holder", log);
  auto* later = new Recorder(owner, L"later", log);
  holder->FreeNotification(later);
  target->FreeNotification(holder);
  delete owner;
  EXPECT_EQ(log, (Log{L"free owner", L"free later", L"holder heard later go", L"free holder",
                      L"target heard holder go", L"free target"}));
}

}  // namespace
}  // namespace wf
