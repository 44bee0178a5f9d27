#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sequence/animation_sequence.h"
#include "sequence/sequence_csv.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;

using test::CollectedLines;
using test::readText;
using test::TestFolder;
using test::writeText;

TEST(AnimationSequence, GenerateRemoveAndCapacity) {
    AnimationSequence sequence;
    SequenceFrame start, increment;
    start.px = 10;
    increment.px = -3;
    start.ay = INT32_MAX;
    increment.ay = 1;
    sequence.generate(start, increment, 4);
    ASSERT_EQ(sequence.rowCount, 4);
    EXPECT_EQ(sequence.row(3).px, 1);
    EXPECT_EQ(sequence.row(1).px, 7);
    EXPECT_EQ(sequence.row(1).ay, INT32_MIN);  // wraps, as repeated 32-bit addition does
    EXPECT_EQ(advanceFrame(start, increment, 3), sequence.row(3));

    sequence.removeRow(0);
    EXPECT_EQ(sequence.rowCount, 3);
    EXPECT_EQ(sequence.row(0).px, 7);
    EXPECT_EQ(sequence.row(1).px, 4);
    sequence.removeRow(2);
    EXPECT_EQ(sequence.rowCount, 2);
    EXPECT_EQ(sequence.row(1).px, 4);
    sequence.removeRow(5);  // no such row
    EXPECT_EQ(sequence.rowCount, 2);

    sequence.generate(start, increment, 0);
    EXPECT_EQ(sequence.rowCount, 0);
    sequence.generate(start, increment, 1000);
    EXPECT_EQ(sequence.rowCount, SequenceCapacity);
    EXPECT_FALSE(sequence.append(start));
    EXPECT_EQ(sequence.rowCount, SequenceCapacity);
}

class SequenceCsv : public ::testing::Test {
protected:
    fs::path write(const std::string& content) {
        const fs::path path = folder_ / "in.csv";
        writeText(path, content);
        return path;
    }

    TestFolder folder_;
    CollectedLines messages;
};

TEST_F(SequenceCsv, ExportIsByteExactAndImportsBack) {
    AnimationSequence sequence;
    sequence.append({0, 0, 0, 0, 0, 0, 0});
    sequence.append({1, 2, 3, 4, 5, 6, 7});
    sequence.append({160, 100, 64, 64, 0, 10, -5});
    const fs::path path = folder_ / "out.csv";
    ASSERT_TRUE(exportSequenceCsv(sequence, path, messages));
    EXPECT_EQ(readText(path),
              "Num\xE9ro Frame;Position X;Position Y;Zoom X;Zoom Y;Angle X;Angle Y;Angle Z;\r\n"
              "0;0;0;0;0;0;0;0;\r\n"
              "1;1;2;3;4;5;6;7;\r\n"
              "2;160;100;64;64;0;10;-5;\r\n");
    EXPECT_EQ(messages.lines.back(), "Nombre de trames export\xC3\xA9" "es : 3");

    AnimationSequence loaded;
    loaded.append({9, 9, 9, 9, 9, 9, 9});
    ASSERT_TRUE(importSequenceCsv(loaded, path, messages));
    ASSERT_EQ(loaded.rowCount, 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(loaded.row(i), sequence.row(i));
    EXPECT_EQ(messages.lines.back(), "Nombre de trames import\xC3\xA9" "es : 3");
}

TEST_F(SequenceCsv, AcceptsOnlyTheNextFrameNumber) {
    AnimationSequence sequence;
    importSequenceCsv(sequence, write("1;1;1;1;1;1;1;1;\n2;2;2;2;2;2;2;2;\n"), messages);
    EXPECT_EQ(sequence.rowCount, 0);
    EXPECT_EQ(messages.lines.back(), "Nombre de trames import\xC3\xA9" "es : 0");

    importSequenceCsv(sequence,
                      write("header;x\r\n0;10;0;0;0;0;0;0;\r\n1;11;0;0;0;0;0;0;\r\n3;13;0;0;0;0;0;0;\r\n"
                            "2;12;0;0;0;0;0;0;\r\n\r\n -3;1;\r\n-3;1;\r\n"),
                      messages);
    ASSERT_EQ(sequence.rowCount, 3);
    EXPECT_EQ(sequence.row(2).px, 12);
}

TEST_F(SequenceCsv, LenientFieldsAndSafeLongLines) {
    AnimationSequence sequence;
    const std::string longTail(5000, 'x');
    importSequenceCsv(sequence,
                      write("0;12abc; 7 ;3;4;5;6;7;extra;more;\n"
                            "1;5;6\n"
                            "2;1;2;3;4;5;6;7;" + longTail + "\n"),
                      messages);
    ASSERT_EQ(sequence.rowCount, 3);
    EXPECT_EQ(sequence.row(0), (SequenceFrame{12, 7, 3, 4, 5, 6, 7}));
    EXPECT_EQ(sequence.row(1), (SequenceFrame{5, 6, 0, 0, 0, 0, 0}));  // missing fields read 0
    EXPECT_EQ(sequence.row(2).az, 7);
}

TEST_F(SequenceCsv, FullSequenceAndUnreadableFiles) {
    std::string content;
    for (int i = 0; i < 400; ++i) content += std::to_string(i) + ";" + std::to_string(i) + ";0;0;0;0;0;0;\r\n";
    AnimationSequence sequence;
    importSequenceCsv(sequence, write(content), messages);
    EXPECT_EQ(sequence.rowCount, SequenceCapacity);
    EXPECT_EQ(sequence.row(359).px, 359);
    ASSERT_EQ(messages.lines.size(), 2u);
    EXPECT_EQ(messages.lines[0], "S\xC3\xA9quence pleine (360 trames maximum)");
    EXPECT_EQ(messages.lines[1], "Nombre de trames import\xC3\xA9" "es : 360");

    messages.lines.clear();
    const fs::path missing = folder_ / "missing.csv";
    EXPECT_FALSE(importSequenceCsv(sequence, missing, messages));
    EXPECT_EQ(sequence.rowCount, SequenceCapacity);
    EXPECT_EQ(messages.lines.back(), "Erreur d'ouverture du fichier " + missing.string());
    const fs::path unwritable = folder_ / "no" / "such.csv";
    EXPECT_FALSE(exportSequenceCsv(sequence, unwritable, messages));
    EXPECT_EQ(messages.lines.back(), "Erreur de cr\xC3\xA9" "ation du fichier " + unwritable.string());
}

}  // namespace
}  // namespace volumix
