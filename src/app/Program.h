#pragma once

#include <array>

// The whole run: start-up in a fixed order (window and context, GL state, script,
// player with layers and music, picture preload, the full-screen question), the
// show, then the ordered shutdown. Steps run beside others without changing what
// is reported or in which order: the window loads the GL driver while the video
// system starts; the pictures the start-up reads are decoded ahead, here while
// the driver loads and then on a thread while the script's layers are made and
// loaded; SDL_mixer loads while the layers are made; and the music's checks run
// while the pictures are preloaded.
// Returns the exit status: the code of the quit
// request that ended the frame loop (0 at the show's end, -1 after a layer's
// failure; 0 when Escape or the close box ended it), or -1 when the window or
// the script cannot be had. Fatal set-up failures (music, pictures) end the
// process from inside with -1.
int runProgram();

// The show script's name in the embedded archive.
constexpr const char* SCRIPT_FILE = "data\\script.txt";

// Pictures loaded into the texture cache before the show, in this order, so that
// no layer waits for them mid-show.
constexpr std::array<const char*, 11> PRELOADED_PICTURES = {"data\\cred.png",
                                                            "data\\schmettalyng.png",
                                                            "data\\hand.png",
                                                            "data\\2dunkelr.png",
                                                            "data\\obererbalken.png",
                                                            "data\\balken.png",
                                                            "data\\getting.png",
                                                            "data\\eye_020715_toplayer.png",
                                                            "data\\eye_020715_lower_banner_rep.png",
                                                            "data\\outro.png",
                                                            "data\\greetings.png"};

// The pictures the show's 3D scenes read while the script's layers are made, in
// that order: the lava environment's faces, then the scenes' textures (the lava's
// lower face is also the donut's). Decoded ahead before PRELOADED_PICTURES.
constexpr std::array<const char*, 9> SCENE_PICTURES = {
    "data\\lava_negx.png", "data\\lava_posx.png", "data\\lava_negy.png",
    "data\\lava_posy.png", "data\\lava_negz.png", "data\\lava_posz.png",
    "data\\donut.png",     "data\\lava_negz.png", "data\\3dunkelr.png"};

// Loads PRELOADED_PICTURES into the texture cache, in order, stopping at the
// first that cannot be loaded; true when all are there.
bool preloadPictures();
