#include "search/ResultModel.h"
#include "search/Search.h"

#include "Snapshots.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace liedspur {
namespace {

class ResultModelTest : public ::testing::Test {
protected:
    ResultModelTest() : tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal) {}

    QString shown(int row, int column) { return model.data(model.index(row, column)).toString(); }

    ResultModel model;
    QAbstractItemModelTester tester;
    IndexPtr snapshot = testing::makeSnapshot(
        {"/Musik/Ä Ö/Lied 1.mp3", "/x/Lied \xff.mp3", "/x/Lied 3.mp3"}, {"/Musik/Ä Ö/", "/x/"});
};

TEST_F(ResultModelTest, DecodesForDisplayOnly) {
    model.assign(listAllSongs(snapshot));
    ASSERT_EQ(model.count(), 3u);
    EXPECT_EQ(shown(0, 0), QString::fromUtf8("Lied 1.mp3"));
    EXPECT_EQ(shown(0, 1), QString::fromUtf8("/Musik/Ä Ö/"));
    EXPECT_EQ(shown(1, 0), QString::fromUtf8("Lied \uFFFD.mp3"));
    EXPECT_EQ(shown(2, 2), "3");
    EXPECT_EQ(model.rowAt(2)->itemText(), "Lied \xff.mp3");
    EXPECT_FALSE(model.rowAt(0).has_value());
    EXPECT_FALSE(model.rowAt(4).has_value());
    EXPECT_FALSE(model.index(3, 0).isValid());

    model.assign(listAllFolders(snapshot));
    EXPECT_EQ(shown(1, 0), "Siehe Ordner");
    EXPECT_EQ(shown(1, 1), "/x/");
    EXPECT_EQ(shown(1, 2), "2");
}

TEST_F(ResultModelTest, RowsKeepOnlyTheTableTheyShowAcrossAReload) {
    for (const RowKind kind : {RowKind::Song, RowKind::Folder}) {
        SCOPED_TRACE(kind == RowKind::Song ? "songs" : "folders");
        IndexPtr loaded = testing::makeSnapshot({"/a/1.mp3", "/b/2.mp3"}, {"/a/", "/b/"});
        model.assign(kind == RowKind::Song ? listAllSongs(loaded) : listAllFolders(loaded));
        const std::weak_ptr<const IndexSnapshot> whole = loaded;
        const std::weak_ptr<const IndexSnapshot> shown = model.rowAt(1)->snapshot();
        loaded = testing::makeSnapshot({"/neu/anders.mp3"}, {"/neu/"});
        EXPECT_TRUE(whole.expired()) << "the table the rows do not show outlives the reload";
        ASSERT_FALSE(shown.expired());
        EXPECT_EQ(model.rowAt(2)->folder(), "/b/");
        model.clear();
        EXPECT_TRUE(shown.expired());
    }
}

} // namespace
} // namespace liedspur
