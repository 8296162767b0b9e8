/* Virtual game pads for the end-to-end tests.
 *
 * Preloaded (LD_PRELOAD) into the Wine processes of a test session. In the process that
 * hosts Wine's HID bus, which presents every SDL joystick as a HID game controller, a
 * thread waits until SDL's joystick subsystem runs, then attaches SDL virtual joysticks
 * and moves their controls on commands that the tests append to a file. The pads are
 * then real devices to DirectInput in every program of the session.
 *
 * VIRTUAL_PADS_COMMANDS names the command file; after each command the thread writes the
 * number of commands done so far to the same path with ".done" appended, so that a test
 * can wait for its commands to be carried out. One command a line, words split by spaces:
 *
 *   attach ID TYPE AXES BUTTONS HATS VENDOR PRODUCT NAME...  plug in a pad (TYPE 0: plain
 *                                                            joystick, 1: mapped gamepad;
 *                                                            VENDOR and PRODUCT in hex)
 *   button ID N 0|1        release or press button N
 *   axis ID N VALUE        move axis N to VALUE (-32768 .. 32767, 0 at rest)
 *   hat ID N VALUE         set hat N (SDL bits: 1 up, 2 right, 4 down, 8 left, 0 centred)
 *   detach ID              unplug the pad
 *   clear                  unplug every pad
 *
 * SDL is never linked: it is found in the process, where the HID bus loaded it itself, and
 * its few functions are looked up by name. Their layout is that of SDL 2.24 and later. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define SDL_INIT_JOYSTICK 0x00000200u
#define VIRTUAL_JOYSTICK_DESC_VERSION 1
#define MAX_PADS 16
#define MAX_LINE 512

typedef struct {
    uint16_t version;
    uint16_t type;
    uint16_t naxes;
    uint16_t nbuttons;
    uint16_t nhats;
    uint16_t vendor_id;
    uint16_t product_id;
    uint16_t padding;
    uint32_t button_mask;
    uint32_t axis_mask;
    const char* name;
    void* userdata;
    void (*Update)(void*);
    void (*SetPlayerIndex)(void*, int);
    int (*Rumble)(void*, uint16_t, uint16_t);
    int (*RumbleTriggers)(void*, uint16_t, uint16_t);
    int (*SetLED)(void*, uint8_t, uint8_t, uint8_t);
    int (*SendEffect)(void*, const void*, int);
} virtual_joystick_desc;

static struct {
    uint32_t (*was_init)(uint32_t);
    int (*attach_virtual_ex)(const virtual_joystick_desc*);
    int (*detach_virtual)(int);
    void* (*open)(int);
    void (*close)(void*);
    int32_t (*instance_id)(void*);
    int (*num_joysticks)(void);
    int32_t (*device_instance_id)(int);
    int (*set_button)(void*, int, uint8_t);
    int (*set_axis)(void*, int, int16_t);
    int (*set_hat)(void*, int, uint8_t);
} sdl;

struct pad {
    char id[64];
    char name[260];
    void* joystick;
};

static struct pad pads[MAX_PADS];

static int load_sdl(void* library) {
#define FIND(field, symbol) \
    if (!(*(void**)&sdl.field = dlsym(library, symbol))) return 0;
    FIND(was_init, "SDL_WasInit")
    FIND(attach_virtual_ex, "SDL_JoystickAttachVirtualEx")
    FIND(detach_virtual, "SDL_JoystickDetachVirtual")
    FIND(open, "SDL_JoystickOpen")
    FIND(close, "SDL_JoystickClose")
    FIND(instance_id, "SDL_JoystickInstanceID")
    FIND(num_joysticks, "SDL_NumJoysticks")
    FIND(device_instance_id, "SDL_JoystickGetDeviceInstanceID")
    FIND(set_button, "SDL_JoystickSetVirtualButton")
    FIND(set_axis, "SDL_JoystickSetVirtualAxis")
    FIND(set_hat, "SDL_JoystickSetVirtualHat")
#undef FIND
    return 1;
}

static struct pad* find_pad(const char* id) {
    for (int i = 0; i < MAX_PADS; ++i) {
        if (pads[i].joystick && strcmp(pads[i].id, id) == 0) return &pads[i];
    }
    return NULL;
}

static void attach(const char* id, int type, int axes, int buttons, int hats, unsigned vendor,
                   unsigned product, const char* name) {
    struct pad* pad = NULL;
    for (int i = 0; i < MAX_PADS && !pad; ++i) {
        if (!pads[i].joystick) pad = &pads[i];
    }
    if (!pad || find_pad(id)) return;
    snprintf(pad->id, sizeof pad->id, "%s", id);
    snprintf(pad->name, sizeof pad->name, "%s", name);

    virtual_joystick_desc desc;
    memset(&desc, 0, sizeof desc);
    desc.version = VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = (uint16_t)type;
    desc.naxes = (uint16_t)axes;
    desc.nbuttons = (uint16_t)buttons;
    desc.nhats = (uint16_t)hats;
    desc.vendor_id = (uint16_t)vendor;
    desc.product_id = (uint16_t)product;
    desc.name = pad->name;
    const int index = sdl.attach_virtual_ex(&desc);
    if (index >= 0) pad->joystick = sdl.open(index);
    if (!pad->joystick) fprintf(stderr, "virtual pads: could not attach %s\n", id);
}

static void detach(struct pad* pad) {
    const int32_t instance = sdl.instance_id(pad->joystick);
    const int count = sdl.num_joysticks();
    for (int index = 0; index < count; ++index) {
        if (sdl.device_instance_id(index) == instance) {
            sdl.detach_virtual(index);
            break;
        }
    }
    sdl.close(pad->joystick);
    memset(pad, 0, sizeof *pad);
    /* Removals close together can get lost on the way to the HID bus: the next command
       waits until this one has had time to get through. */
    usleep(150 * 1000);
}

static void run_command(char* line) {
    char verb[16] = "", id[64] = "";
    int n = 0, consumed = 0;
    if (sscanf(line, "%15s %n", verb, &consumed) < 1) return;
    char* rest = line + consumed;
    if (strcmp(verb, "clear") == 0) {
        for (int i = 0; i < MAX_PADS; ++i) {
            if (pads[i].joystick) detach(&pads[i]);
        }
        return;
    }
    if (sscanf(rest, "%63s %n", id, &consumed) < 1) return;
    rest += consumed;
    if (strcmp(verb, "attach") == 0) {
        int type = 0, axes = 0, buttons = 0, hats = 0;
        unsigned vendor = 0, product = 0;
        if (sscanf(rest, "%d %d %d %d %x %x %n", &type, &axes, &buttons, &hats, &vendor, &product,
                   &consumed) >= 6)
            attach(id, type, axes, buttons, hats, vendor, product, rest + consumed);
        return;
    }
    struct pad* pad = find_pad(id);
    if (!pad) return;
    if (strcmp(verb, "detach") == 0) {
        detach(pad);
        return;
    }
    int value = 0;
    if (sscanf(rest, "%d %d", &n, &value) < 2) return;
    if (strcmp(verb, "button") == 0) sdl.set_button(pad->joystick, n, (uint8_t)value);
    if (strcmp(verb, "axis") == 0) sdl.set_axis(pad->joystick, n, (int16_t)value);
    if (strcmp(verb, "hat") == 0) sdl.set_hat(pad->joystick, n, (uint8_t)value);
}

static void report_done(const char* commands, long done) {
    char path[4096], temporary[4200];
    snprintf(path, sizeof path, "%s.done", commands);
    snprintf(temporary, sizeof temporary, "%s.%d", path, (int)getpid());
    FILE* out = fopen(temporary, "w");
    if (!out) return;
    fprintf(out, "%ld\n", done);
    fclose(out);
    rename(temporary, path);
}

/* Reads the command file from where it left off; only whole lines are run. */
static void follow_commands(const char* commands) {
    long offset = 0, done = 0, reported = 0;
    char line[MAX_LINE];
    report_done(commands, done);
    for (;;) {
        FILE* in = fopen(commands, "r");
        if (in && fseek(in, offset, SEEK_SET) == 0) {
            while (fgets(line, sizeof line, in)) {
                const size_t length = strlen(line);
                if (length == 0 || line[length - 1] != '\n') break;
                offset += (long)length;
                line[length - 1] = '\0';
                run_command(line);
                ++done;
            }
        }
        if (done != reported) {
            report_done(commands, done);
            reported = done;
        }
        if (in) fclose(in);
        usleep(20 * 1000);
    }
}

static void* pad_thread(void* argument) {
    const char* commands = argument;
    for (;;) {
        void* library = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
        if (library && load_sdl(library) && sdl.was_init(SDL_INIT_JOYSTICK)) break;
        usleep(100 * 1000);
    }
    follow_commands(commands);
    return NULL;
}

/* Only Wine's device host can load the HID bus; other processes are left alone. */
static int is_device_host(void) {
    char command_line[4096];
    FILE* in = fopen("/proc/self/cmdline", "r");
    if (!in) return 0;
    const size_t length = fread(command_line, 1, sizeof command_line - 1, in);
    fclose(in);
    for (size_t i = 0; i < length; ++i) {
        if (command_line[i] == '\0') command_line[i] = ' ';
    }
    command_line[length] = '\0';
    return strstr(command_line, "winedevice") != NULL;
}

__attribute__((constructor)) static void start(void) {
    const char* commands = getenv("VIRTUAL_PADS_COMMANDS");
    if (!commands || !*commands || !is_device_host()) return;
    static char path[4096];
    snprintf(path, sizeof path, "%s", commands);
    pthread_t thread;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_create(&thread, &attributes, pad_thread, path);
    pthread_attr_destroy(&attributes);
}
