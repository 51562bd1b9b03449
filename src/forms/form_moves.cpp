#include "forms/form_moves.h"

#include "console/keyboard.h"

namespace forms {

namespace {

Move ToField(int16_t field, int16_t key, ResumeChange resume = ResumeChange::Keep) {
  return Move{MoveKind::ToField, field, key, resume};
}
Move Stay(int16_t key) { return Move{MoveKind::Stay, 0, key, ResumeChange::Keep}; }
Move Leave(int16_t key, ResumeChange resume = ResumeChange::Keep) {
  return Move{MoveKind::Leave, 0, key, resume};
}

}  // namespace

bool LeavesChain(int16_t key) {
  using namespace console;
  return key == KeyPgUp || key == KeyPgDn || key == KeyEnd || key == 2 || key == KeyEnter || key == KeyDown ||
         key == KeyUp;
}

Move MoveByKey(const MoveContext& c, int16_t key) {
  using namespace console;
  if (key < 0) return c.ClickField > 0 ? ToField(c.ClickField, key) : Stay(key);
  switch (key) {
    case 0:
      return Stay(key);
    case KeyPgUp:
      if (c.Current > c.First || !c.MayLeaveUp) return ToField(c.First, key, ResumeChange::Clear);
      return Leave(key, ResumeChange::SetThisForm);
    case KeyPgDn:
      if (c.Current < c.Last || !c.MayLeaveDown) return ToField(c.Last, key, ResumeChange::Clear);
      return Leave(key, ResumeChange::SetThisForm);
    case KeyEnd:
    case 2:
      return Leave(key);
    case KeyEsc:
      if (c.Current > c.First) return ToField(c.First, key);
      return Leave(key);
    case KeyEnter:
    case KeyDown:
    case KeyF2:
      if ((c.Current == c.Last || key == KeyF2) && c.HasNext) return Move{MoveKind::RunNext, 0, key};
      if (key == KeyDown)
        return c.Current < c.Last ? ToField(static_cast<int16_t>(c.Current + 1), key) : Stay(key);
      if (key == KeyEnter) {
        if (c.Current >= c.Last) return Leave(key);
        return ToField(static_cast<int16_t>(c.Current + 1), key);
      }
      return Stay(key);
    case KeyUp:
      if (c.Current > c.First) return ToField(static_cast<int16_t>(c.Current - 1), key);
      if (c.Chained) return Leave(KeyEsc);
      return Stay(key);
    default:
      return Leave(key);
  }
}

}  // namespace forms
