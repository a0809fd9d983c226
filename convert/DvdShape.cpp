// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DvdShape.h"

namespace {

QString shapeFilter()
{
    // In the converter's expressions iw and ih are the picture's size in
    // pixels, sar the shape of a pixel and dar the picture's display shape,
    // iw * sar / ih. Each filter below sees them afresh; scaling by one
    // factor keeps dar, and padding to the shape keeps the decision.
    const QString shape = QStringLiteral("if(lt(dar,1.5396),4/3,16/9)");
    const QString studioFrame
        = QStringLiteral("(eq(iw,720)+eq(iw,704))*(lt(abs(sar-10/11),0.005)+lt(abs(sar-40/33),0.005)"
                         "+lt(abs(sar-12/11),0.005)+lt(abs(sar-16/11),0.005))");
    const QString keeps = QStringLiteral("(lt(abs(dar/%1-1),0.01)+%2)").arg(shape, studioFrame);
    // Scaled to fit 480 rows of the DVD's shape, never up.
    const QString factor = QStringLiteral("min(1,min(480*%1/(iw*sar),480/ih))").arg(shape);
    const QString scale
        = QStringLiteral("scale=w='if(%1,iw,max(2,trunc(iw*%2/2)*2))':h='if(%1,ih,max(2,trunc(ih*%2/2)*2))'")
              .arg(keeps, factor);
    // Rounded up to whole chroma samples: the colour planes of a 4:2:0
    // picture need an even size, of a 4:1:1 one a width of a multiple of 4.
    const QString wider = QStringLiteral("gt(dar,%1)").arg(shape);
    const QString width = QStringLiteral("ceil(if(%1,iw,if(%2,iw,ih*%3/sar))/hsub)*hsub").arg(keeps, wider, shape);
    const QString height = QStringLiteral("ceil(if(%1,ih,if(%2,iw*sar/%3,ih))/vsub)*vsub").arg(keeps, wider, shape);
    const QString pad = QStringLiteral("pad=w='%1':h='%2':x='(ow-iw)/2':y='(oh-ih)/2'").arg(width, height);
    return scale + u',' + pad + QStringLiteral(",setdar='%1'").arg(shape);
}

} // namespace

QString DvdShapeFilter()
{
    static const QString filter = shapeFilter();
    return filter;
}
