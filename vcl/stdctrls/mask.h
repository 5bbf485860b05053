// TMaskEdit: an edit whose text follows an edit mask. The mask has up to three fields
// separated by ';': the mask characters, whether literals are kept in Text ("1") or not ("0"),
// and the character shown for a blank (default '_'). Mask characters:
//   L l  letter (required, optional)      A a  letter or digit
//   C c  any character                    0 9  digit        #  digit or sign (optional)
//   >  upper case from here  <  lower case  <>  case as typed   \  next character literal
//   !  optional blanks lead instead of trailing   _  a space literal; anything else is literal.
#pragma once

#include <string>
#include <vector>

#include "vcl/runtime/exceptions.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {

// A required position was left empty ("Invalid input value.  Use escape key to abandon changes").
VCL_EXCEPTION(EDBEditError, Exception)

// The parsed form of an edit mask.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const std::string& mask);

  bool Empty() const { return positions_.empty(); }
  int Length() const { return static_cast<int>(positions_.size()); }
  bool SaveLiterals() const { return saveLiterals_; }
  char BlankChar() const { return blank_; }
  bool IsLiteral(int position) const;
  // Whether `c` may stand at an editable position; `c` comes back in the position's case.
  bool Accepts(int position, char& c) const;
  bool Required(int position) const;
  // The text as shown in the edit from a stored text (with or without literals).
  std::string Format(const std::string& text) const;
  // The stored text from the shown one: literals kept or dropped, blanks as spaces or dropped.
  std::string Unformat(const std::string& editText) const;
  // The first editable position at or after `position` (Length() when none).
  int NextEditable(int position) const;
  int PreviousEditable(int position) const;
  // Whether every required position of the shown text is filled.
  bool Complete(const std::string& editText) const;

 private:
  enum TKind { mkLiteral, mkLetter, mkAlphaNum, mkAnyChar, mkDigit, mkDigitOrSign };
  enum TCase { ccAsTyped, ccUpper, ccLower };
  struct TPosition {
    TKind kind;
    bool required;
    TCase charCase;
    char literal;
  };
  std::vector<TPosition> positions_;
  bool saveLiterals_ = true;
  char blank_ = '_';
};

class TCustomMaskEdit : public TCustomEdit {
  VCL_CLASS(TCustomMaskEdit, TCustomEdit)
  explicit TCustomMaskEdit(TComponent* owner);

  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& value);
  bool IsMasked() const { return !mask_.Empty(); }
  // The text as shown, with literals and blanks.
  std::string EditText();
  void SetEditText(const std::string& value);
  // The text as stored: by the mask's second field with or without literals.
  std::string MaskedText();
  void SetMaskedText(const std::string& value);
  // Gives back the text the edit had when it was entered.
  void Reset();
  // Raises EDBEditError when a required position is empty.
  virtual void ValidateEdit();

  void Dispatch(TMessage& message) override;

 protected:
  // The stored text (MaskedText) when masked.
  std::string GetText() override;
  void CreateWnd() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void CMEnter(TMessage& message) override;
  void CMExit(TMessage& message) override;

 private:
  void TypeChar(char c);
  void ClearSelection(bool backwards);
  void SetCaret(int position);

  std::string editMask_;
  TEditMask mask_;
  std::string textOnEnter_;
};

class TMaskEdit : public TCustomMaskEdit {
  VCL_CLASS(TMaskEdit, TCustomMaskEdit)
  explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};

}  // namespace vcl
