#pragma once

class CModelBase;
class CTransitModelBase;

// The rules that choose the front model of a morph pair when its layout is
// built: the flat circle and the perspective view (modes 0 and 1, linked by
// the circle-to-perspective morph) and the panorama and the cylinder (mode 3,
// linked by the strip-to-cylinder morph). A pair has a source view, a
// destination view and the morph between them; the render core tells which
// of them (or another model) stood in front, its state code, whether the
// layout is used for the first time and which end the last finished morph
// reached, and applies the decision.
class MorphCycle
{
public:
    enum class Front { Source, Destination, Morph, Other };
    // The morph's SetDirection call, if any: (forward, apply).
    enum class Direction {
        Unchanged,
        ForwardFromStart, // (true, true)
        BackwardFromEnd,  // (false, true)
        Forward,          // (true, false): turns where it is
        Backward,         // (false, false): turns where it is
    };
    // The recorded end of the last finished morph.
    enum class End { Keep, Source, Destination };

    struct Situation {
        bool firstUse;
        Front oldFront;
        int oldState;
        bool atDestination;
    };
    struct Decision {
        Front front;
        Direction direction;
        // The new front takes over the old front's pan speed and press.
        bool carry;
        End end;
    };

    // The three models of a pair.
    struct Pair {
        CModelBase* source;
        CModelBase* destination;
        CTransitModelBase* morph;
    };
    // The layout change of one pair: which model stood in front (null when
    // none), whether the layout is used for the first time, the recorded
    // end, and the front angles of the previous layout when it hands them on.
    struct Switch {
        int mode;
        CModelBase* oldFront;
        bool firstUse;
        bool handOnAngles;
        float pan0;
        float tilt0;
    };

    // Decides and prepares the new front of mode 0, 1 or 3: the morph's
    // direction, the recorded end (atDestination), the handed-on angles and
    // the carry of the old front's spin and press. Returns the new front.
    static CModelBase* Apply(const Switch& change, const Pair& pair, bool& atDestination);

    // Mode 0: the flat circle in front, or the morph on its way back to it.
    static Decision ForSourceLayout(const Situation& situation);
    // Mode 1: the perspective view in front, or the morph on its way to it.
    static Decision ForDestinationLayout(const Situation& situation);
    // Mode 3: panorama and cylinder, each leaving for the other on request.
    static Decision ForPanoramaCylinder(const Situation& situation);

private:
    static Front Classify(const CModelBase* model, const Pair& pair);
    static void Turn(CTransitModelBase* morph, Direction direction);
    // The new front takes over the old one's pan speed and press.
    static void Carry(CModelBase* from, CModelBase* to);
    // A morph that reached one of its ends hands over to that end's view.
    static bool FinishedMorph(const Situation& situation, Decision& decision);
};
