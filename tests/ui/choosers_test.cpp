// What the choosers are given and what is made of their answers: filters with NUL between their
// parts, the file kinds' filters from the catalogue, the starting colour, multi-file answers and
// the folders kept per folder kind.
#include <gtest/gtest.h>

#include <string>

#include "runtime/string_store.h"
#include "tests/support/text.h"
#include "tests/ui/form_test_support.h"
#include "ui/choosers.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

class ChoosersTest : public ui_test::FormTest {};

TEST_F(ChoosersTest, FilterPartsAreSeparatedByNul) {
    EXPECT_EQ(Str(ChooserFilter(T("Texto (*.txt),*.txt,Todos (*.*),*.*"))),
              std::string("Texto (*.txt)\0*.txt\0Todos (*.*)\0*.*", 35));
    EXPECT_EQ(Str(ChooserFilter(T(""))), "");
    EXPECT_EQ(Str(ChooserFilter(StrErr(146))), rt_test::Err(146));
}

TEST_F(ChoosersTest, EveryFileKindEndsWithAllFiles) {
    const std::string all = "Todos (*.*),*.*";
    const struct {
        uint16_t kind;
        std::string filter;
        std::string ext;
    } cases[] = {
        {1, "Ficheros de Estructura (*.est),*.est," + all, "est"},
        {3, "Ficheros de Plantilla de Impresi\xf3n (*.imp),*.imp," + all, "imp"},
        {7, "Ficheros PDF (*.pdf),*.pdf," + all, "pdf"},
        {8, "Ficheros de Texto (*.txt),*.txt," + all, "txt"},
        {10, "Ficheros de Estructura (*.est),*.est," + all, "est"},
        {0, all, ""},
        {9, all, ""},
        {11, all, ""},
        {0xFFFF, all, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Str(FileKindFilter(c.kind)), c.filter) << c.kind;
        EXPECT_EQ(Str(FileKindExtension(c.kind)), c.ext) << c.kind;
    }
    EXPECT_EQ(Str(AllFilesFilter()), all);
}

TEST_F(ChoosersTest, TitleDefaultsToTheCatalogues) {
    EXPECT_EQ(Str(ChooserTitle(T("Abrir"))), "Abrir");
    EXPECT_EQ(Str(ChooserTitle(T(""))), "Seleccione su opci\xf3n");
}

TEST_F(ChoosersTest, StartColourReadsTheFieldAsColourText) {
    const struct {
        const char* text;
        ColourRef colour;
    } cases[] = {
        {"ff8000", 0x0080FF}, {"FF8000", 0x0080FF}, {"123456", 0x563412},
        {"", 0}, {"red", 0}, {"12345", 0}, {"#123456", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooserStartColour(T(c.text)), c.colour) << c.text;
}

TEST_F(ChoosersTest, MultiFileAnswersAndKeptFolders) {
    const std::string many("C:\\datos\0uno.txt\0dos.txt", 24);
    EXPECT_EQ(Str(FirstAnswerPart(V(many))), "C:\\datos");
    EXPECT_EQ(Str(FirstAnswerPart(T("C:\\datos\\uno.txt"))), "C:\\datos\\uno.txt");
    EXPECT_EQ(Str(KeptChooserFolder(V(many), true)), "C:\\datos\\*.*");
    // One file chosen in a multi-file dialog is a plain path: its folder is kept.
    EXPECT_EQ(Str(KeptChooserFolder(T("C:\\datos\\uno.txt"), true)), "C:\\datos");
    EXPECT_EQ(Str(KeptChooserFolder(T("C:\\datos\\uno.txt"), false)), "C:\\datos");

    EXPECT_EQ(KeepChooserFolder(8, T("C:\\docs\\")), 0);
    EXPECT_EQ(KeepChooserFolder(2, T("D:\\app\\")), 0);
    EXPECT_EQ(Str(ChooserFolderOf(8)), "C:\\docs\\");
    EXPECT_EQ(Str(ChooserFolderOf(8 | 0x80)), "C:\\docs\\") << "flags beside the kind are not the kind";
    EXPECT_EQ(Str(ChooserFolderOf(2)), "D:\\app\\");
    EXPECT_EQ(Str(ChooserFolderOf(0)), "");
    EXPECT_EQ(KeepChooserFolder(0, T("X")), 0);
    EXPECT_EQ(Str(ChooserFolderOf(0)), "");
    EXPECT_EQ(KeepChooserFolder(4, StrErr(163)), 163);
}

}  // namespace
