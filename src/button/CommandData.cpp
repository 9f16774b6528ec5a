#include "button/CommandData.h"

namespace tarvelo::button {

using raster::MakeColor;

void ApplyColorScheme(CommandData& d, const SystemColors& system) {
  switch (d.colorScheme) {
    case 2:
      d.faceColor = d.backColor;
      d.shadowColor = ShadeColor(d.backColor, -64);
      d.lightColor = ShadeColor(d.backColor, 31);
      d.highlightColor = ShadeColor(d.backColor, 47);
      d.darkShadowColor = ShadeColor(d.backColor, -192);
      d.textColor = d.foreColor;
      break;
    case 3:
      d.faceColor = MakeColor(192, 192, 192);
      d.shadowColor = MakeColor(128, 128, 128);
      d.lightColor = MakeColor(223, 223, 223);
      d.highlightColor = MakeColor(255, 255, 255);
      d.darkShadowColor = MakeColor(0, 0, 0);
      d.textColor = MakeColor(0, 0, 0);
      d.officeXpFillColor = MakeColor(236, 233, 216);
      d.officeXpFrameColor = MakeColor(172, 169, 154);
      d.officeXpMousemoveFillColor = MakeColor(193, 210, 238);
      d.officeXpMousemoveFrameColor = MakeColor(49, 105, 198);
      break;
    default:
      d.faceColor = system.buttonFace;
      d.shadowColor = system.buttonShadow;
      d.lightColor = system.light3d;
      d.highlightColor = system.buttonHighlight;
      d.darkShadowColor = system.darkShadow3d;
      d.textColor = d.foreColor;
      if (d.buttonType == 4) {
        d.midColor = MakeColor(197, 197, 197);
        d.endColor = MakeColor(238, 238, 238);
        d.mouseMoveMidColor = MakeColor(123, 167, 211);
        d.mouseMoveEndColor = MakeColor(210, 245, 251);
        d.mouseDownMidColor = MakeColor(227, 167, 105);
        d.mouseDownEndColor = MakeColor(252, 220, 199);
      }
      break;
  }
}

}  // namespace tarvelo::button
