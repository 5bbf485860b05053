// The in-place editors: typing into a memo and a text through real key messages, character
// formats and their use counts, word wrapping, and the clipboard formats of the memo editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/vect/image_vect.h"
#include "imaging/vect/text_control.h"
#include "imaging/vect/vect_startup.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using TextEditor = VectWindow;

// A key as the window receives it, with Ctrl or Shift held for its duration.
void Key(HWND window, WORD key, bool ctrl = false, bool shift = false) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  BYTE saved[256];
  std::memcpy(saved, state, sizeof(state));
  if (ctrl) state[VK_CONTROL] = 0x80;
  if (shift) state[VK_SHIFT] = 0x80;
  SetKeyboardState(state);
  SendMessageA(window, WM_KEYDOWN, key, 1);
  SendMessageA(window, WM_KEYUP, key, 0xC0000001);
  SetKeyboardState(saved);
}

void Type(HWND window, const std::string& text) {
  for (char c : text) {
    const WORD vk = LOBYTE(VkKeyScanA(c));
    SendMessageA(window, WM_KEYDOWN, vk, 1);
    SendMessageA(window, WM_CHAR, static_cast<uint8_t>(c), 1);
    SendMessageA(window, WM_KEYUP, vk, 0xC0000001);
  }
  Pump();
}

int32_t AddMemo(TImageVect* view, const std::string& text) {
  TIEVectorObject memo = view->Template();
  memo.Kind = vkMemo;
  memo.X1 = 20, memo.Y1 = 20, memo.X2 = 160, memo.Y2 = 110;
  memo.Text = text;
  memo.BrushStyle = vcl::bsSolid;
  memo.Font->lfHeight = -14;
  return view->AddNewObject(memo);
}

// A memo editor of its own on the form, holding the text in the memo font.
TIETextControl* MakeEditor(vcl::TForm* form, const std::string& text, int32_t width = 150) {
  auto* editor = new TIETextControl(form);
  editor->SetParent(form);
  editor->SetBounds(0, 160, width, 80);
  editor->MemoFont()->SetName("Arial");
  editor->MemoFont()->SetHeight(-14);
  editor->SetContent(text, {}, {});
  editor->BeginEdit();
  editor->SetFocus();
  return editor;
}

TEST_F(TextEditor, TypingIntoTheMemoEditorChangesTheMemosText) {
  MakeView();
  const int32_t hobj = AddMemo(view, "");
  view->SetMouseInteractVt(vmSelectObjects);
  DoubleClick(80, 60);
  ASSERT_TRUE(view->IsTextEditing());
  TIETextControl* editor = view->MemoEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->Visible());
  HWND window = editor->Handle();

  Type(window, "Hello");
  Key(window, VK_BACK);
  Key(window, VK_RETURN);
  Type(window, "x");
  Key(window, VK_HOME, true);  // Ctrl+Home: the start of the text
  Type(window, "A");
  Key(window, VK_END, true);
  Key(window, VK_LEFT, false, true);  // Shift+Left selects the last character
  Type(window, "yz");                 // and typing replaces it
  EXPECT_EQ(editor->Text(), "AHell\nyz");
  Key(window, VK_ESCAPE);
  Pump();

  EXPECT_FALSE(view->IsTextEditing());
  EXPECT_FALSE(editor->Visible());
  const TIEVectorObject& memo = *view->GetObjectRecord(hobj);
  EXPECT_EQ(memo.Text, "AHell\nyz");
  // Every character uses the one format made from the memo's font.
  ASSERT_EQ(memo.CharFormats.size(), 1u);
  EXPECT_EQ(memo.CharFormatIndex, std::vector<int32_t>(8, 0));
  EXPECT_EQ(charformat::UseCount(memo.CharFormats[0]), 8);
  EXPECT_EQ(charformat::FontName(memo.CharFormats[0]), "Arial");
  EXPECT_EQ(charformat::Height(memo.CharFormats[0]), -14);
}

TEST_F(TextEditor, ATextOrMemoDrawnWithTheMouseOpensItsEditorWhenAsked) {
  MakeView();
  for (const bool editAfterCreate : {true, false})
    for (const TIEVectMouseModes mode : {vmDrawText, vmDrawMemo, vmDrawBox}) {
      view->SetEditAfterCreate(editAfterCreate);
      view->SetMouseInteractVt(mode);
      Drag(20, 20, 120, 80);
      const bool expected = editAfterCreate && mode != vmDrawBox;
      EXPECT_EQ(view->IsTextEditing(), expected) << mode << " " << editAfterCreate;
      if (expected) { EXPECT_EQ(view->EditedHandle(), view->ObjectsCount() - 1); }
      view->CancelInteraction();
      EXPECT_FALSE(view->IsTextEditing());
    }
}

TEST_F(TextEditor, TypingIntoTheTextEditorChangesTheTextAndEscUndoesIt) {
  MakeView();
  TIEVectorObject text = view->Template();
  text.Kind = vkText;
  text.X1 = 20, text.Y1 = 20, text.X2 = 150, text.Y2 = 45;
  text.Text = "old";
  const int32_t hobj = view->AddNewObject(text);
  view->SetMouseInteractVt(vmSelectObjects);
  for (const bool escape : {true, false}) {
    DoubleClick(60, 30);
    ASSERT_TRUE(view->IsTextEditing());
    TIEEdit* edit = view->TextEditor();
    ASSERT_TRUE(edit && edit->Visible());
    EXPECT_EQ(edit->Text(), "old");
    SendMessageA(edit->Handle(), EM_SETSEL, 3, 3);
    Type(edit->Handle(), " new");
    Key(edit->Handle(), escape ? VK_ESCAPE : VK_RETURN);
    Pump();
    EXPECT_FALSE(view->IsTextEditing());
    EXPECT_EQ(view->GetObjectRecord(hobj)->Text, escape ? "old" : "old new");
  }
}

TEST_F(TextEditor, AMemoNotBeingEditedDrawsEachCharacterInItsFormat) {
  MakeView();
  TIEVectorObject memo = view->Template();
  memo.Kind = vkMemo;
  memo.X1 = 10, memo.Y1 = 10, memo.X2 = 190, memo.Y2 = 90;
  memo.Text = "MMM WWW";
  memo.SingleFormat = 0;
  memo.BrushStyle = vcl::bsClear;
  memo.CharFormats = {charformat::Make("Arial", -24, 1, vcl::clRed, vcl::clWhite, vcl::bsClear, 0),
                      charformat::Make("Arial", -24, 1, vcl::clBlue, vcl::clWhite, vcl::bsClear, 0)};
  memo.CharFormatIndex = {0, 0, 0, 0, 1, 1, 1};
  const int32_t hobj = view->AddNewObject(memo);
  // Opaque memos are drawn directly, translucent ones through their coverage.
  for (const uint8_t transparency : {255, 128}) {
    view->GetObjectRecord(hobj)->Transparency = transparency;
    auto bitmap = WhiteBitmap(200, 100);
    view->DrawObjectsToBitmap(bitmap.get(), false);
    // The red word comes first on the line, the blue one after it.
    int32_t reds = 0, blues = 0, lastRed = -1, firstBlue = 1000;
    for (int32_t y = 10; y < 90; ++y)
      for (int32_t x = 10; x < 190; ++x) {
        const uint32_t p = PixelAt(bitmap.get(), x, y);
        const int32_t r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (r > 200 && g < 160 && b < 160) ++reds, lastRed = std::max(lastRed, x);
        if (b > 200 && r < 160 && g < 160) ++blues, firstBlue = std::min(firstBlue, x);
      }
    EXPECT_GT(reds, 20) << int(transparency);
    EXPECT_GT(blues, 20) << int(transparency);
    EXPECT_LT(lastRed, firstBlue) << int(transparency);
  }
}

TEST_F(TextEditor, CharactersOfOneFormatShareARecordThatClosingPurges) {
  MakeView();
  TIETextControl* editor = MakeEditor(form.get(), "");
  HWND window = editor->Handle();
  Type(window, "ab");
  ASSERT_EQ(editor->Formats().size(), 1u);
  EXPECT_EQ(charformat::UseCount(editor->Formats()[0]), 2);
  Key(window, VK_BACK);
  EXPECT_EQ(charformat::UseCount(editor->Formats()[0]), 1);

  // Bold applies to what is typed next: a second record.
  Key(window, 'B', true);
  Type(window, "c");
  ASSERT_EQ(editor->Formats().size(), 2u);
  EXPECT_EQ(charformat::Style(editor->Formats()[editor->FormatIndex()[1]]) & 1, 1);
  Key(window, VK_BACK);
  EXPECT_EQ(charformat::UseCount(editor->Formats()[1]), 0);
  editor->PurgeFormats();
  EXPECT_EQ(editor->Formats().size(), 1u);
  EXPECT_EQ(editor->FormatIndex(), std::vector<int32_t>({0}));
}

TEST_F(TextEditor, BoldOnASelectionFollowsItsFirstCharacter) {
  MakeView();
  TIETextControl* editor = MakeEditor(form.get(), "");
  HWND window = editor->Handle();
  Key(window, 'B', true);
  Type(window, "ab");
  Key(window, 'B', true);
  Type(window, "cd");  // "ab" bold, "cd" plain
  Key(window, VK_HOME, true);
  for (int i = 0; i < 4; ++i) Key(window, VK_RIGHT, false, true);
  ASSERT_EQ(editor->SelEnd() - editor->SelStart(), 4);
  Key(window, 'B', true);
  for (int32_t i = 0; i < 4; ++i) {
    TIECharFormat f;
    ASSERT_TRUE(editor->GetCharFormat(i, f));
    EXPECT_EQ(charformat::Style(f) & 1, 0) << i;
  }
  Key(window, 'B', true);  // now the first is plain: all become bold
  for (int32_t i = 0; i < 4; ++i) {
    TIECharFormat f;
    editor->GetCharFormat(i, f);
    EXPECT_EQ(charformat::Style(f) & 1, 1) << i;
  }
}

TEST_F(TextEditor, LinesWrapAtBlanksAndALongWordBreaksWhereItNoLongerFits) {
  MakeView();
  vcl::TBitmap canvasBitmap;
  canvasBitmap.SetPixelFormat(vcl::pf24bit);
  canvasBitmap.SetSize(300, 200);
  TIETextControl layout(nullptr);
  layout.MemoFont()->SetName("Arial");
  layout.MemoFont()->SetHeight(-14);
  layout.SetSingleFormat(true);
  auto lineOf = [&](int32_t i) { return layout.CharPoint(i).y; };
  struct Case {
    std::string text;
    int32_t width;
    int32_t firstOfSecondLine;  // -1: the break is wherever the word stops fitting
  };
  const std::vector<Case> cases = {{"aaaa bbbb", 60, 5}, {"one two three four", 90, -1},
                                   {std::string(40, 'w'), 80, -1}, {"x\ny", 200, 2}};
  for (const Case& c : cases) {
    layout.SetContent(c.text, {}, {});
    layout.LayoutAndDraw(canvasBitmap.Canvas(), 0, 0, c.width, 190);
    int32_t second = -1;
    for (int32_t i = 1; i < static_cast<int32_t>(c.text.size()); ++i)
      if (lineOf(i) > lineOf(0)) {
        second = i;
        break;
      }
    ASSERT_GT(second, 0) << c.text;
    if (c.firstOfSecondLine >= 0) { EXPECT_EQ(second, c.firstOfSecondLine) << c.text; }
    // Everything before the break lies inside the usable width.
    const int32_t usable = c.width - 2;
    EXPECT_LT(layout.CharPoint(second - 1).x, usable) << c.text;
    if (c.text[0] == 'w') {
      EXPECT_GT(second, 2);
      EXPECT_LT(second, 40);
    }
  }
}

TEST_F(TextEditor, CopyPutsPlainTextAndTheFormattedBlock) {
  MakeView();
  TIETextControl* editor = MakeEditor(form.get(), "");
  HWND window = editor->Handle();
  Type(window, "ab");
  Key(window, VK_RETURN);
  editor->SetSelection(0, 3);
  Key(window, 'C', true);

  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(text)), "ab\r\n");
  GlobalUnlock(text);
  HANDLE memo = GetClipboardData(ClipboardFormatTextMemo());
  ASSERT_NE(memo, nullptr);
  ASSERT_GE(GlobalSize(memo), 3u * 281 + 1);
  const auto* block = static_cast<const uint8_t*>(GlobalLock(memo));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), 4), std::string("ab\n\0", 4));
  TIECharFormat first(block + 4, block + 4 + 280);
  EXPECT_EQ(charformat::FontName(first), "Arial");
  GlobalUnlock(memo);
  CloseClipboard();

  // Pasted into another editor, the characters keep their formats.
  TIETextControl* other = MakeEditor(form.get(), "");
  other->MemoFont()->SetName("Courier New");
  Key(other->Handle(), 'V', true);
  EXPECT_EQ(other->Text(), "ab\n");
  TIECharFormat f;
  ASSERT_TRUE(other->GetCharFormat(0, f));
  EXPECT_EQ(charformat::FontName(f), "Arial");
}

TEST_F(TextEditor, AFormattedBlockShorterThanItsTextFallsBackToPlainText) {
  MakeView();
  TIETextControl* editor = MakeEditor(form.get(), "");
  // Three characters but a single record: a block another program could have put there.
  std::vector<uint8_t> bad = {'a', 'b', 'c', 0};
  bad.resize(bad.size() + 280, 0x41);
  HGLOBAL memo = GlobalAlloc(GMEM_MOVEABLE, bad.size());
  std::memcpy(GlobalLock(memo), bad.data(), bad.size());
  GlobalUnlock(memo);
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 5);
  std::memcpy(GlobalLock(text), "x\r\ny", 5);
  GlobalUnlock(text);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(ClipboardFormatTextMemo(), memo);
  SetClipboardData(CF_TEXT, text);
  CloseClipboard();
  SendMessageA(editor->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(editor->Text(), "x\ny");
  ASSERT_EQ(editor->Formats().size(), 1u);
  EXPECT_EQ(charformat::UseCount(editor->Formats()[0]), 3);
}

TEST_F(TextEditor, OverwriteModeReplacesAndAppendsAtTheEnd) {
  MakeView();
  TIETextControl* editor = MakeEditor(form.get(), "");
  HWND window = editor->Handle();
  Type(window, "abc");
  Key(window, VK_INSERT);
  EXPECT_FALSE(editor->InsertMode());
  Key(window, VK_LEFT);
  Key(window, VK_LEFT);
  Type(window, "XYZ");
  EXPECT_EQ(editor->Text(), "aXYZ");
}

}  // namespace
