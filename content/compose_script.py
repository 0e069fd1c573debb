#!/usr/bin/env python3
"""Writes the show script, content/script.txt, from the storyboard below.

The script is what the archive carries and what the engine reads; this file is
where it is composed, because its stepped fades, beat flashes and slow turns are
hundreds of event lines that follow a few rules. Edit here, run it, commit both:

    content/compose_script.py            # rewrites content/script.txt
    content/compose_script.py --check    # exit 1 when script.txt is not its output

Times: the soundtrack runs at 120 beats a minute, a bar is 2000 ms and a beat
500 ms. Block windows are in demo time; event times count from the block's first
active frame. Blocks are drawn in the byte order of their names, so the number in
front of each name is its layer in the picture.
"""
import os
import sys

BAR = 2000
BEAT = 500
STEP = 50  # fades are made of events this far apart
SHOW_END = 177000

BLACK = 0xFF000000
WHITE = 0xFFFFFFFF


class Block:
    def __init__(self, name, layer_class, start, end, comment):
        self.name, self.layer_class = name, layer_class
        self.start, self.end = start, end
        self.comment = comment
        self.events = []

    def at(self, time, kind, code, value):
        """One event at local time; kind is I, F or S."""
        if isinstance(value, float):
            value = ("%.3f" % value).rstrip("0").rstrip(".") if value % 1 else "%d" % value
        self.events.append((time, kind, code, str(value)))
        return self

    def ramp(self, code, t0, t1, v0, v1, every=STEP):
        """A stepped linear change of a float from v0 at t0 to v1 at t1."""
        steps = max(1, (t1 - t0) // every)
        for i in range(steps + 1):
            self.at(t0 + i * every, "f", code, round(v0 + (v1 - v0) * i / steps, 3))
        return self

    def text(self):
        lines = ["# " + line for line in self.comment.split("\n") if line]
        lines += ["[%s]" % self.name, self.layer_class, str(self.start), str(self.end)]
        ordered = sorted(enumerate(self.events), key=lambda item: (item[1][0], item[0]))
        lines += ["%d %s %s %s" % event for _, event in ordered]
        return lines + ["@"]


def fader(name, start, end, comment, colour=(0.0, 0.0, 0.0)):
    block = Block(name, "Fader", start, end, comment)
    for code, value in zip(("REDC", "GREN", "BLUE"), colour):
        block.at(0, "f", code, value)
    return block


def picture(name, start, end, file_name, comment):
    return Block(name, "ImageLayer", start, end, comment).at(0, "s", "FILE", file_name)


def flashes(block, times, length):
    """SHOW on at each time, off again length later."""
    for time in times:
        block.at(time, "I", "SHOW", 1).at(time + length, "I", "SHOW", 0)
    return block


def beat_pulses(block, code, length, high, low, beats):
    """On every beat the value jumps to high and steps back to low."""
    for beat in range(beats):
        block.ramp(code, beat * BEAT, beat * BEAT + length, high, low)
    return block


def intro():
    """0:00-0:16, pad intro: black, the title card fading in and out, then the
    eye's banner blinking in the dark before the eye opens."""
    title = picture("10 title", 2000, 9999, "data\\getting.png",
                    "0:00-0:16 pad intro: the title card, faded in and out by the block after it")
    fade = fader("11 title fade", 2000, 9999,
                 "A stepped fade from black and back over the title")
    fade.ramp("OPAC", 0, 2000, 1.0, 0.0).ramp("OPAC", 6000, 8000, 0.0, 1.0)
    banner = Block("12 title banner", "ImageScroller", 10000, 15999,
                   "The eye's banner blinking in the dark, scrolling a width every 3 s")
    banner.at(0, "s", "FILE", "data\\eye_020715_lower_banner_rep.png").at(0, "f", "DIVI", 3000.0)
    banner.at(0, "f", "OPAC", 1.0)
    return [title, fade, banner]


def drums():
    """0:16-0:32, drums enter: the eye with its banner scrolling steadily, the
    upper and lower bars flashing on the beat (upper on one and three, lower on
    two and four)."""
    eye = picture("20 eye", 16000, 31999, "data\\eye_020715_toplayer.png",
                  "0:16-0:32 drums enter: the eye")
    eye.at(0, "I", "SHOW", 1)
    band = Block("21 eye banner", "ImageScroller", 16000, 31999,
                 "Its banner, steady: one texture width over the whole section")
    band.at(0, "s", "FILE", "data\\eye_020715_lower_banner_rep.png")
    band.at(0, "f", "BLNK", 1.0).at(0, "f", "DIVI", 16000.0).at(0, "I", "SHOW", 1)
    beats = range(0, 16000, BEAT)
    upper = picture("22 upper bar", 16000, 31999, "data\\obererbalken.png",
                    "The upper bar on the first and third beat of every bar")
    flashes(upper.at(0, "I", "SHOW", 0), [t for t in beats if t % BAR in (0, 1000)], 200)
    lower = picture("23 lower bar", 16000, 31999, "data\\balken.png",
                    "The lower bar on the second and fourth beat")
    flashes(lower.at(0, "I", "SHOW", 0), [t for t in beats if t % BAR in (500, 1500)], 200)
    opening = fader("29 eye opens", 16000, 16999, "The eye opens out of black in one second")
    opening.ramp("OPAC", 0, 1000, 1.0, 0.0)
    return [eye, band, upper, lower, opening]


def groove():
    """0:32-1:04, bass and the full groove: the grass field in the wind, turning
    slowly, its blades switching from swaying to curling halfway and into arcs for
    the last quarter; the dusk's colour changes over it; butterflies rise above."""
    alpha = fader("30 grass alpha", 32000, 63999,
                  "Black on black, unseen: it leaves the material alpha that the\n"
                  "transparent blades are blended with")
    alpha.at(0, "f", "OPAC", 0.9)
    grass = Block("31 grass", "Grass", 32000, 63999,
                  "0:32-1:04 bass, full groove: the grass field")
    grass.at(0, "s", "TYPE", "SINE").at(0, "I", "TRNS", 1).at(0, "I", "WIRE", 0)
    grass.at(0, "I", "GRPS", 0).at(0, "I", "RGBC", 0xFF2040C0).at(0, "f", "OPAC", 1.0)
    grass.at(0, "f", "XANG", 12.0).at(16000, "s", "TYPE", "DIRC")
    grass.at(16000, "I", "RGBC", 0xFF3080F0).at(24000, "I", "GRPS", 1)
    grass.ramp("YANG", 0, 32000, -12.0, 12.0, every=100)
    grass.ramp("ZANG", 0, 16000, 0.0, 4.0, every=200).ramp("ZANG", 16000, 32000, 4.0, 0.0, 200)
    tint = fader("32 dusk", 32000, 63999,
                 "The dusk over the field, changing colour bar by bar", (0.6, 0.1, 0.0))
    tint.ramp("OPAC", 0, 2000, 0.0, 0.18)
    colours = [(0.6, 0.1, 0.0), (0.7, 0.25, 0.0), (0.5, 0.0, 0.2), (0.8, 0.35, 0.05)]
    for bar in range(1, 16):
        red, green, blue = colours[bar % len(colours)]
        tint.at(bar * BAR, "f", "REDC", red).at(bar * BAR, "f", "GREN", green)
        tint.at(bar * BAR, "f", "BLUE", blue)
    rising = Block("40 butterflies rising", "Butterflies", 32000, 64000,
                   "Butterflies rising above the field, a new swarm every four bars")
    rising.at(0, "s", "MODE", "rise").at(0, "I", "TMOF", 2000)
    for time in (8000, 16000, 24000):
        rising.at(time, "I", "TMOF", 0)
    return [alpha, grass, tint, rising]


def theme():
    """1:04-1:36, the main theme: the donut rising from the lava, IMPACT on the
    accents, a flash on every downbeat, the sky flashing white on the crash."""
    alpha = fader("49 donut alpha", 64000, 96000,
                  "Black on black, unseen: the alpha the scene's blended pieces take")
    alpha.at(0, "f", "OPAC", 0.6)
    donut = Block("50 donut", "Anim3dsPlayer:data\\donut.3ds", 64000, 96000,
                  "1:04-1:36 main theme: the donut rises from the lava; the picture\n"
                  "skips back on the accents and cuts to black for one beat")
    donut.at(0, "f", "FRPS", 150.0).at(0, "I", "SHOW", 1)
    for time in (8000, 16000, 24000):
        donut.at(time, "I", "OFFS", -250).at(time + 250, "I", "OFFS", 250)
    donut.at(28000, "I", "SHOW", 0).at(28500, "I", "SHOW", 1)
    impact = picture("51 impact", 0, 96000, "data\\Impact.png",
                     "IMPACT on the accents: the crash and the top of each theme half.\n"
                     "Hidden from the first frame on, so that its picture (not one the\n"
                     "program preloads) is loaded then and not on the crash")
    impact.at(0, "I", "SHOW", 0)
    for time in (64000, 72000, 80000, 88000):
        flashes(impact, [time, time + 150], 100)
    downbeats = fader("52 downbeats", 64000, 96000,
                      "A warm flash on every downbeat", (1.0, 0.6, 0.25))
    for bar in range(16):
        downbeats.ramp("OPAC", bar * BAR, bar * BAR + 250, 0.3, 0.0)
    return [alpha, donut, impact, downbeats]


def pause():
    """1:36-1:52, the break: the machine behind the warp, the hand over it, a
    white-out over the last bar's clap roll."""
    warp = Block("60 warp", "RenderWarper", 96000, 111999,
                 "1:36-1:52 break: the machine behind the warp; everything beneath is wiped")
    hand = picture("61 hand", 96000, 111999, "data\\hand.png",
                   "The hand over the warp, from the second bar, gone on every fourth beat")
    hand.at(0, "I", "SHOW", 0)
    for bar in range(1, 8):
        hand.at(bar * BAR, "I", "SHOW", 1).at(bar * BAR + 1500, "I", "SHOW", 0)
    whiteout = fader("69 white-out", 110000, 111999, "White over the clap roll",
                     (1.0, 1.0, 1.0))
    whiteout.ramp("OPAC", 0, 1950, 0.0, 1.0)
    return [warp, hand, whiteout]


def reprise():
    """1:52-2:24, the theme returns: wireframe grass turning, the butterfly sphere
    with its radius pulsing on every beat, the greetings in the second half."""
    wire = Block("70 wire grass", "Grass", 112000, 143999,
                 "1:52-2:24 theme returns: the field as wire, turning")
    wire.at(0, "s", "TYPE", "SINE").at(0, "I", "WIRE", 1).at(0, "I", "TRNS", 0)
    wire.at(0, "I", "GRPS", 1).at(0, "f", "XANG", 20.0)
    wire.ramp("YANG", 0, 32000, 0.0, 40.0, every=100)
    sphere = Block("71 butterfly sphere", "Butterflies", 112000, 143999,
                   "The butterfly sphere turning, its radius pulsing on every beat")
    sphere.at(0, "s", "MODE", "kugel")
    beat_pulses(sphere, "RADM", 200, 1.4, 1.0, 64)
    greetings = picture("72 greetings", 128000, 143999, "data\\greetings.png",
                        "The greetings in the second half")
    greetings.at(0, "I", "SHOW", 1)
    return [wire, sphere, greetings]


def credits():
    """2:24-2:44, winding down: the credits over a scrolling band, between the bars."""
    band = Block("80 credits band", "ImageScroller", 144000, 163999,
                 "2:24-2:44 winding down: a band scrolling slowly behind the credits")
    band.at(0, "s", "FILE", "data\\eye_020715_lower_banner_rep.png")
    band.at(0, "f", "BLNK", 0.0).at(0, "f", "DIVI", 24000.0)
    card = picture("81 credits", 144000, 163999, "data\\cred.png", "The credits")
    upper = picture("82 upper bar", 144000, 163999, "data\\obererbalken.png",
                    "The bars framing them")
    lower = picture("83 lower bar", 144000, 163999, "data\\balken.png", "")  # framed above
    fade = fader("89 credits fade", 144000, 163999, "In from black, out to black")
    fade.ramp("OPAC", 0, 1000, 1.0, 0.0).ramp("OPAC", 18950, 19950, 0.0, 1.0)
    return [band, card, upper, lower, fade]


def outro():
    """2:44-2:57, outro: the closing card, then black."""
    card = picture("90 outro", 164000, SHOW_END, "data\\outro.png",
                   "2:44-2:57 outro: the closing card")
    fade = fader("91 outro fade", 164000, SHOW_END, "In from black, and the last fade to black")
    fade.ramp("OPAC", 0, 2000, 1.0, 0.0).ramp("OPAC", 8000, 12000, 0.0, 1.0)
    return [card, fade]


def backdrop():
    clear = Block("00 backdrop", "ClearLayer", 0, SHOW_END,
                  "The clear colour: black, white for one frame on the two crashes")
    clear.at(0, "I", "RGBA", BLACK)
    for time in (64000, 112000):
        clear.at(time, "I", "RGBA", WHITE).at(time + 50, "I", "RGBA", BLACK)
    return [clear]


def script_text():
    blocks = backdrop() + intro() + drums() + groove() + theme() + pause() + reprise()
    blocks += credits() + outro()
    lines = ["# glimmerfell: the show script, written by content/compose_script.py",
             "# Blocks render in the byte order of their names.", ""]
    for block in sorted(blocks, key=lambda block: block.name.encode()):
        lines += block.text() + [""]
    return "\r\n".join(lines)


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "script.txt")
    text = script_text().encode()
    if sys.argv[1:] == ["--check"]:
        with open(path, "rb") as existing:
            if existing.read() != text:
                sys.exit("content/script.txt is not what content/compose_script.py writes")
        return
    with open(path, "wb") as out:
        out.write(text)


if __name__ == "__main__":
    main()
