#include "base/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records its own destruction and the removal notices it receives.
class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, std::string name, std::vector<std::string>& log)
        : TComponent(owner), FLog(log)
    {
        SetName(std::move(name));
    }
    ~TProbe() override { FLog.push_back("destroy " + Name()); }
    TComponent* Watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == TOperation::opRemove && component == Watched) {
            FLog.push_back(Name() + " saw " + component->Name() + " go");
            Watched = nullptr;
        }
    }

private:
    std::vector<std::string>& FLog;
};

TEST(Component, OwnedComponentsAreDestroyedLastCreatedFirst)
{
    std::vector<std::string> log;
    {
        TComponent form;
        new TProbe(&form, "Button1", log);
        new TProbe(&form, "CON", log);
        new TProbe(&form, "TR", log);
        new TProbe(&form, "SC", log);
        EXPECT_EQ(form.ComponentCount(), 4);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"destroy SC", "destroy TR", "destroy CON", "destroy Button1"}));
}

TEST(Component, DeletingAnOwnedComponentRemovesItFromItsOwner)
{
    std::vector<std::string> log;
    TComponent owner;
    auto* a = new TProbe(&owner, "A", log);
    new TProbe(&owner, "B", log);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0)->Name(), "B");
}

TEST(Component, FreeNotificationTellsTheWatcherAndNothingDangles)
{
    std::vector<std::string> log;
    TProbe watcher(nullptr, "SC", log);
    auto* connection = new TProbe(nullptr, "CON", log);
    connection->FreeNotification(&watcher);
    watcher.Watched = connection;
    delete connection;
    EXPECT_EQ(watcher.Watched, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"destroy CON", "SC saw CON go"}));
}

TEST(Component, WatcherDestroyedFirstIsForgotten)
{
    std::vector<std::string> log;
    TProbe connection(nullptr, "CON", log);
    {
        TProbe watcher(nullptr, "SC", log);
        connection.FreeNotification(&watcher);
        watcher.Watched = &connection;
    }
    // The connection goes at the end of this scope: its removal notice must
    // not reach the destroyed watcher (a use after free the sanitizer build
    // reports).
}

TEST(Component, SiblingsHearOfARemovedSibling)
{
    std::vector<std::string> log;
    {
        TComponent runner;
        runner.SetName("SC");
        auto* query = new TProbe(&runner, "Query", log);
        auto* transaction = new TProbe(&runner, "Transaction", log);
        query->Watched = transaction;
        delete transaction;
        EXPECT_EQ(query->Watched, nullptr);
    }
}

TEST(Component, NamePathSkipsUnnamedComponents)
{
    struct Case {
        std::vector<std::string> chain;  // outermost first
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"FrmRestaurol", "SC", ""}, "FrmRestaurol.SC"},
        {{"", "", ""}, ""},
        {{"A"}, "A"},
        {{"", "SC", "Q"}, "SC.Q"},
    };
    for (const auto& c : cases) {
        TComponent root;
        TComponent* last = &root;
        root.SetName(c.chain[0]);
        for (size_t i = 1; i < c.chain.size(); ++i) {
            last = new TComponent(last);
            last->SetName(c.chain[i]);
        }
        EXPECT_EQ(last->NamePath(), c.expected);
    }
}

}  // namespace
