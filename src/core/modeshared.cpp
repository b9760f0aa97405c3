#include "modeshared.h"

#include "driver.h"
#include "graphker.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vandoral {

SaveTarget TargetAt(SaveTarget checked, SaveMoment moment)
{
    return checked == SaveTarget::Clipboard && moment == SaveMoment::Quitting ? SaveTarget::File : checked;
}

SaveOutcome SavePolicy(MeasureMode mode, SaveTarget target, bool succeeded, SaveMoment moment)
{
    if (!succeeded || mode == MeasureMode::None)
        return {false, false};
    bool saved = true;
    if (target == SaveTarget::Clipboard)
        saved = moment == SaveMoment::During && mode != MeasureMode::Cinetique;
    return {saved, saved};
}

double AutoTop(double largest, double absMax)
{
    return std::max(0.2, std::min(1.05 * largest, absMax));
}

void SetUpSpectrumGraph(Tgraphe &graph, TDataSeries &spectrum, const TspectroVandoral *spectro)
{
    spectrum.XAxis = {"Lambda", "nm", "Longueur d'onde"};
    spectrum.YAxis = AbsorbanceAxis;
    graph.WorldX.Name = spectrum.XAxis.Name;
    graph.WorldX.Unit = spectrum.XAxis.Unit;
    graph.WorldX.LongName = spectrum.XAxis.LongName;
    graph.WorldY.Name = AbsorbanceAxis.Name;
    graph.WorldY.LongName = AbsorbanceAxis.LongName;
    graph.Source = &spectrum;
    graph.DrawMode = 1;
    if (spectro)
        graph.SetWorld(spectro->LambdaMin, 0, spectro->LambdaMax, spectro->AbsMax);
}

bool HitsMarker(const Tgraphe &graph, int lambda, int x)
{
    int px, py;
    graph.WorldToPixel(lambda, 0, px, py);
    return std::abs(px - x) < 4;
}

int WavelengthAt(const Tgraphe &graph, int x, int y)
{
    double lambda, a;
    graph.PixelToWorld(x, y, lambda, a);
    const double nm = std::nearbyint(lambda);
    return std::fabs(nm) < 1e9 ? int(nm) : 0;
}

bool InsideRange(int lambda, int lambdaMin, int lambdaMax)
{
    return lambdaMin < lambda && lambda < lambdaMax;
}

} // namespace vandoral
