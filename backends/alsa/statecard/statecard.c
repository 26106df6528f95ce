// SPDX-License-Identifier: GPL-3.0-or-later
/* A sound card served from an `alsactl store` state file: an alsa-lib external control plugin.
 * The program opens such cards for --card-state, and the ALSA backend's tests use them as their
 * virtual cards.
 *
 * Card N is the file controlC<N> in the folder that the configuration's `folder` names, else
 * the one named by TARVIX_ALSA_DEVICE_DIR (as amixer reaches the tests' cards): the same file
 * the backend watches for plugging, so deleting it unplugs the card. The file is an `alsactl
 * store` state file holding every control's description and value, so other processes
 * (amixer) see and change the same card. The card is named by the first line of the file
 * controlC<N>.name beside it (if a regular file), else by the state file's own name; the second
 * line of that file, if any, names the driver, else it is USB-Audio, as every card of a state file
 * is.
 *
 * The file is parsed once and again only when its change stamp moves. Writes rewrite the file
 * in place under an exclusive flock and move the stamp on. The poll fd is an inotify watch on
 * the folder: a change of the file becomes one value event per control that changed (our own
 * writes included, as with a kernel card), an access or range change an info event, a change
 * of the controls' shape removal and addition events, and the file's deletion POLLERR, after
 * which every operation fails with ENODEV. The card opens only while the file's owner has read
 * and write permission, as a device node's mode decides. */

#include "statefile.h"

#include <alsa/control_external.h>

#include <errno.h>
#include <fcntl.h>
#include <libgen.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#define MAX_EVENTS 65536

struct stamp
{
    dev_t device;
    ino_t inode;
    off_t size;
    struct timespec modified;
};

/* A control as events were last made from it. */
struct seenControl
{
    struct stateIdent id;
    int type, writable, inactive;
    long min, max;
    unsigned int count;
    long* values;
};

struct event
{
    struct stateIdent id;
    unsigned int numid, mask;
    long key; /* the control in the seen shape whose changes it gathers, or -1 */
};

struct vcard
{
    snd_ctl_ext_t ext;
    char path[PATH_MAX];
    const char* fileName;
    struct stateCard card;
    struct stamp stamp;
    unsigned int seenCount;
    struct seenControl* seen;
    long* seenValues;
    size_t* queuedAt; /* per seen control: its queued event's position + 1, or 0 */
    struct event* events;
    size_t eventHead, eventCount, eventCapacity;
    int gone;
};

static struct vcard* cardOf(snd_ctl_ext_t* ext)
{
    return ext->private_data;
}

static struct stamp stampOf(const struct stat* info)
{
    return (struct stamp){info->st_dev, info->st_ino, info->st_size, info->st_mtim};
}

static int sameStamp(const struct stat* info, const struct stamp* stamp)
{
    const struct stamp now = stampOf(info);
    return now.device == stamp->device && now.inode == stamp->inode && now.size == stamp->size &&
           now.modified.tv_sec == stamp->modified.tv_sec &&
           now.modified.tv_nsec == stamp->modified.tv_nsec;
}

/* Waits for the file's lock; a signal arriving meanwhile does not give it up. */
static void lockFile(int fd, int operation)
{
    while (flock(fd, operation) < 0 && errno == EINTR)
        ;
}

/* Opens `path` only if it is a regular file: a FIFO or a device node in its place is never
 * opened, and one swapped in meanwhile is opened without waiting and closed again. */
static int openRegular(const char* path, int flags)
{
    struct stat info;
    if (stat(path, &info) < 0 || !S_ISREG(info.st_mode))
        return -1;
    int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && (fstat(fd, &info) < 0 || !S_ISREG(info.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

/* Parses the file `fd`, whose lock the caller holds, unless its stamp is the one last parsed.
 * A file that no longer parses leaves the card as it was. */
static int reload(struct vcard* v, int fd)
{
    struct stat info;
    struct stateCard fresh;
    if (fstat(fd, &info) < 0)
        return -ENODEV;
    if (sameStamp(&info, &v->stamp))
        return 0;
    struct stateError error = {0, ""};
    int result = stateLoad(fd, &fresh, &error);
    if (result == -EINVAL) {
        SNDERR("%s:%u: not an alsactl state file: %s", v->path, error.line, error.reason);
    } else if (result < 0) {
        SNDERR("%s: not a readable alsactl state file (%s)", v->path, snd_strerror(result));
    } else {
        stateFree(&v->card);
        v->card = fresh;
    }
    v->stamp = stampOf(&info);
    return result;
}

/* Brings the card up to the file; the file's absence is the card's unplugging. */
static int refresh(struct vcard* v)
{
    struct stat info;
    if (!v->gone && stat(v->path, &info) < 0)
        v->gone = 1;
    if (v->gone)
        return -ENODEV;
    if (sameStamp(&info, &v->stamp))
        return 0;
    int fd = openRegular(v->path, O_RDONLY);
    if (fd < 0)
        return -ENODEV;
    lockFile(fd, LOCK_SH);
    reload(v, fd);
    close(fd);
    return 0;
}

/* Moves the file's modification time past `before`'s, so that a write within one tick of the
 * clock still changes the stamp other handles compare. */
static void moveStamp(int fd, const struct stat* before)
{
    struct stat after;
    if (fstat(fd, &after) < 0)
        return;
    const struct timespec *old = &before->st_mtim, *now = &after.st_mtim;
    if (now->tv_sec < old->tv_sec || (now->tv_sec == old->tv_sec && now->tv_nsec <= old->tv_nsec)) {
        struct timespec times[2] = {{0, UTIME_OMIT}, *old};
        if (++times[1].tv_nsec == 1000000000L) {
            times[1].tv_nsec = 0;
            ++times[1].tv_sec;
        }
        futimens(fd, times);
    }
}

static void freeSeen(struct vcard* v)
{
    free(v->seen);
    free(v->seenValues);
    free(v->queuedAt);
    v->seen = NULL;
    v->seenValues = NULL;
    v->queuedAt = NULL;
    v->seenCount = 0;
}

/* Remembers the card as it is now; `keepQueue` keeps the queued events' ties to controls. */
static int takeSnapshot(struct vcard* v, int keepQueue)
{
    size_t* queuedAt = keepQueue ? v->queuedAt : NULL;
    size_t values = 0;
    if (keepQueue)
        v->queuedAt = NULL;
    freeSeen(v);
    const unsigned int count = v->card.count;
    for (unsigned int i = 0; i < count; ++i)
        values += v->card.controls[i].count;
    v->seen = calloc(count ? count : 1, sizeof *v->seen);
    v->seenValues = calloc(values ? values : 1, sizeof *v->seenValues);
    v->queuedAt = queuedAt ? queuedAt : calloc(count ? count : 1, sizeof *v->queuedAt);
    if (!v->seen || !v->seenValues || !v->queuedAt) {
        freeSeen(v);
        return -ENOMEM;
    }
    long* next = v->seenValues;
    for (unsigned int i = 0; i < count; ++i) {
        const struct stateControl* c = &v->card.controls[i];
        v->seen[i] = (struct seenControl){c->id,  c->type, c->writable, c->inactive,
                                          c->min, c->max,  c->count,    next};
        memcpy(next, c->values, sizeof *next * c->count);
        next += c->count;
    }
    v->seenCount = count;
    return 0;
}

static int sameShape(const struct vcard* v)
{
    if (v->seenCount != v->card.count)
        return 0;
    for (unsigned int i = 0; i < v->seenCount; ++i) {
        const struct seenControl* s = &v->seen[i];
        const struct stateControl* c = &v->card.controls[i];
        if (!stateSameIdent(&s->id, &c->id) || s->type != c->type || s->count != c->count)
            return 0;
    }
    return 1;
}

static void pushEvent(struct vcard* v, const struct stateIdent* id, long key, unsigned int mask)
{
    if (v->eventCount == v->eventCapacity && v->eventHead > 0) {
        v->eventCount -= v->eventHead;
        memmove(v->events, v->events + v->eventHead, sizeof *v->events * v->eventCount);
        for (unsigned int i = 0; i < v->seenCount; ++i)
            v->queuedAt[i] = v->queuedAt[i] > v->eventHead ? v->queuedAt[i] - v->eventHead : 0;
        v->eventHead = 0;
    }
    if (v->eventCount == v->eventCapacity) {
        size_t capacity = v->eventCapacity ? v->eventCapacity * 2 : 64;
        struct event* grown =
            capacity <= MAX_EVENTS ? realloc(v->events, sizeof *v->events * capacity) : NULL;
        if (!grown)
            return; /* a reader this far behind has lost events, as with a full kernel queue */
        v->events = grown;
        v->eventCapacity = capacity;
    }
    v->events[v->eventCount++] =
        (struct event){*id, key >= 0 ? (unsigned int)key + 1 : 0, mask, key};
}

/* Queues `mask` for seen control `key`, joined with the event still queued for it. */
static void queueChange(struct vcard* v, unsigned int key, unsigned int mask)
{
    if (v->queuedAt[key]) {
        v->events[v->queuedAt[key] - 1].mask |= mask;
        return;
    }
    pushEvent(v, &v->seen[key].id, key, mask);
    if (v->eventCount && v->events[v->eventCount - 1].key == (long)key)
        v->queuedAt[key] = v->eventCount;
}

/* Compares the card with what events were last made from and queues the differences. */
static void noteChanges(struct vcard* v)
{
    if (!sameShape(v)) {
        for (unsigned int i = 0; i < v->seenCount; ++i)
            pushEvent(v, &v->seen[i].id, -1, SND_CTL_EVENT_MASK_REMOVE);
        for (size_t e = v->eventHead; e < v->eventCount; ++e)
            v->events[e].key = -1;
        if (takeSnapshot(v, 0) == 0)
            for (unsigned int i = 0; i < v->seenCount; ++i)
                queueChange(v, i, SND_CTL_EVENT_MASK_ADD);
        return;
    }
    for (unsigned int i = 0; i < v->seenCount; ++i) {
        const struct seenControl* s = &v->seen[i];
        const struct stateControl* c = &v->card.controls[i];
        unsigned int mask = 0;
        if (memcmp(s->values, c->values, sizeof *c->values * c->count) != 0)
            mask |= SND_CTL_EVENT_MASK_VALUE;
        if (s->writable != c->writable || s->inactive != c->inactive || s->min != c->min ||
            s->max != c->max)
            mask |= SND_CTL_EVENT_MASK_INFO;
        if (mask)
            queueChange(v, i, mask);
    }
    takeSnapshot(v, 1);
}

static const struct stateControl* controlOf(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key)
{
    struct vcard* v = cardOf(ext);
    return key < (snd_ctl_ext_key_t)v->card.count ? &v->card.controls[key] : NULL;
}

static void setId(snd_ctl_elem_id_t* id, const struct stateIdent* ident)
{
    snd_ctl_elem_id_set_interface(id, (snd_ctl_elem_iface_t)ident->iface);
    snd_ctl_elem_id_set_device(id, ident->device);
    snd_ctl_elem_id_set_subdevice(id, ident->subdevice);
    snd_ctl_elem_id_set_name(id, ident->name);
    snd_ctl_elem_id_set_index(id, ident->index);
}

static int elemCount(snd_ctl_ext_t* ext)
{
    struct vcard* v = cardOf(ext);
    refresh(v);
    return v->card.count > INT_MAX ? INT_MAX : (int)v->card.count;
}

static int elemList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id)
{
    const struct stateControl* c = controlOf(ext, offset);
    if (!c)
        return -EINVAL;
    setId(id, &c->id);
    return 0;
}

static snd_ctl_ext_key_t findElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id)
{
    struct vcard* v = cardOf(ext);
    struct stateIdent wanted = {
        .iface = (int)snd_ctl_elem_id_get_interface(id),
        .device = snd_ctl_elem_id_get_device(id),
        .subdevice = snd_ctl_elem_id_get_subdevice(id),
        .index = snd_ctl_elem_id_get_index(id),
    };
    snprintf(wanted.name, sizeof wanted.name, "%s", snd_ctl_elem_id_get_name(id));
    refresh(v);
    /* alsa-lib fills a numid's id from the list before asking, so both must still agree. */
    const unsigned int numid = snd_ctl_elem_id_get_numid(id);
    if (numid > 0 && numid <= v->card.count &&
        stateSameIdent(&v->card.controls[numid - 1].id, &wanted))
        return numid - 1;
    for (unsigned int i = 0; i < v->card.count; ++i) {
        if (stateSameIdent(&v->card.controls[i].id, &wanted)) {
            /* alsa-lib reads TLVs by numid, so a control found by name must carry its own. */
            snd_ctl_elem_id_set_numid((snd_ctl_elem_id_t*)id, i + 1);
            return i;
        }
    }
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int getAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                        unsigned int* count)
{
    const struct stateControl* c = controlOf(ext, key);
    if (cardOf(ext)->gone)
        return -ENODEV;
    if (!c)
        return -ENOENT;
    *type = c->type;
    *acc = SND_CTL_EXT_ACCESS_READ | (c->writable ? SND_CTL_EXT_ACCESS_WRITE : 0) |
           (c->inactive ? SND_CTL_EXT_ACCESS_INACTIVE : 0) |
           (c->isVolatile ? SND_CTL_EXT_ACCESS_VOLATILE : 0);
    if (c->tlvWords)
        *acc |= SND_CTL_EXT_ACCESS_TLV_READ | SND_CTL_EXT_ACCESS_TLV_CALLBACK;
    *count = c->count;
    return 0;
}

static int integerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* min, long* max, long* step)
{
    const struct stateControl* c = controlOf(ext, key);
    if (!c)
        return -ENOENT;
    *min = c->min;
    *max = c->max;
    *step = c->step;
    return 0;
}

static int enumInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items)
{
    const struct stateControl* c = controlOf(ext, key);
    if (!c)
        return -ENOENT;
    *items = c->items;
    return 0;
}

static int enumName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item, char* name,
                    size_t size)
{
    const struct stateControl* c = controlOf(ext, key);
    if (!c || item >= c->items)
        return -EINVAL;
    snprintf(name, size, "%s", c->itemNames[item]);
    return 0;
}

static int readValues(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values)
{
    const struct stateControl* c = controlOf(ext, key);
    if (cardOf(ext)->gone)
        return -ENODEV;
    if (!c)
        return -ENOENT;
    memcpy(values, c->values, sizeof *values * c->count);
    return 0;
}

static int readEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items)
{
    long values[STATE_MAX_VALUES];
    int result = readValues(ext, key, values);
    for (unsigned int i = 0; result == 0 && i < controlOf(ext, key)->count; ++i)
        items[i] = (unsigned int)values[i];
    return result;
}

/* Applies `values` to the latest state under the exclusive lock and stores the file if anything
 * changed. Returns 1 for a change, 0 for none. */
static int writeValues(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, const long* values)
{
    struct vcard* v = cardOf(ext);
    const struct stateControl* c = controlOf(ext, key);
    if (!c)
        return -ENOENT;
    const struct stateIdent wanted = c->id;
    int fd = v->gone ? -1 : openRegular(v->path, O_RDWR);
    struct stat before;
    if (fd < 0)
        return -ENODEV;
    lockFile(fd, LOCK_EX);
    int result = fstat(fd, &before) < 0 ? -ENODEV : 0;
    if (result == 0)
        result = reload(v, fd);
    if (result == 0 && (!(c = controlOf(ext, key)) || !stateSameIdent(&c->id, &wanted)))
        result = -ENOENT; /* the controls changed shape meanwhile */
    if (result == 0)
        result = stateStore(&v->card, fd, (unsigned int)key, values);
    if (result > 0) {
        struct stat after;
        moveStamp(fd, &before);
        if (fstat(fd, &after) == 0)
            v->stamp = stampOf(&after);
    }
    close(fd);
    return result;
}

static int writeInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values)
{
    return writeValues(ext, key, values);
}

static int writeEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items)
{
    long values[STATE_MAX_VALUES];
    const struct stateControl* c = controlOf(ext, key);
    for (unsigned int i = 0; c && i < c->count; ++i)
        values[i] = (long)items[i];
    return writeValues(ext, key, values);
}

static int readTlv(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int op, unsigned int numid,
                   unsigned int* tlv, unsigned int size)
{
    (void)numid;
    const struct stateControl* c = controlOf(ext, key);
    if (op != 0 || !c || !c->tlvWords)
        return -ENXIO;
    if (size < sizeof(unsigned int) * c->tlvWords)
        return -ENOMEM;
    memcpy(tlv, c->tlv, sizeof(unsigned int) * c->tlvWords);
    return 0;
}

static int pollRevents(snd_ctl_ext_t* ext, struct pollfd* pfds, unsigned int nfds,
                       unsigned short* revents)
{
    struct vcard* v = cardOf(ext);
    char buffer[4096] __attribute__((aligned(__alignof__(struct inotify_event))));
    ssize_t length;
    int touched = 0;
    while (nfds == 1 && (pfds->revents & POLLIN) &&
           (length = read(ext->poll_fd, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + length;) {
            const struct inotify_event* event = (const struct inotify_event*)p;
            if (event->len && strcmp(event->name, v->fileName) == 0) {
                if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                    v->gone = 1;
                touched = 1;
            }
            p += sizeof *event + event->len;
        }
    }
    if (touched && refresh(v) == 0)
        noteChanges(v);
    *revents = v->gone ? POLLERR : v->eventHead < v->eventCount ? POLLIN : 0;
    return 0;
}

static int readEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask)
{
    struct vcard* v = cardOf(ext);
    if (v->gone)
        return -ENODEV;
    if (v->eventHead == v->eventCount)
        return -EAGAIN;
    const struct event* event = &v->events[v->eventHead++];
    setId(id, &event->id);
    snd_ctl_elem_id_set_numid(id, event->numid);
    *mask = event->mask;
    if (event->key >= 0 && (unsigned long)event->key < v->seenCount)
        v->queuedAt[event->key] = 0;
    if (v->eventHead == v->eventCount)
        v->eventHead = v->eventCount = 0;
    return 1;
}

static void freeCard(struct vcard* v)
{
    stateFree(&v->card);
    freeSeen(v);
    free(v->events);
    free(v);
}

static void closeCard(snd_ctl_ext_t* ext)
{
    close(ext->poll_fd);
    freeCard(cardOf(ext));
}

static const snd_ctl_ext_callback_t callbacks = {
    .close = closeCard,
    .elem_count = elemCount,
    .elem_list = elemList,
    .find_elem = findElem,
    .get_attribute = getAttribute,
    .get_integer_info = integerInfo,
    .get_enumerated_info = enumInfo,
    .get_enumerated_name = enumName,
    .read_integer = readValues,
    .read_enumerated = readEnum,
    .write_integer = writeInteger,
    .write_enumerated = writeEnum,
    .read_event = readEvent,
    .poll_revents = pollRevents,
};

static void copyField(char* target, size_t size, const char* text)
{
    snprintf(target, size, "%s", text);
}

/* The card's name and driver: from controlC<N>.name beside the node, else the state file's
 * own name without its extension. */
static void describe(struct vcard* v)
{
    char lines[256] = "", other[PATH_MAX + 8], real[PATH_MAX];
    snprintf(other, sizeof other, "%s.name", v->path);
    int file = openRegular(other, O_RDONLY);
    ssize_t length = file >= 0 ? read(file, lines, sizeof lines - 1) : 0;
    if (file >= 0)
        close(file);
    lines[length > 0 ? length : 0] = '\0';
    char* driver = strchr(lines, '\n');
    if (driver) {
        *driver++ = '\0';
        driver[strcspn(driver, "\n")] = '\0';
    }
    if (!*lines && realpath(v->path, real)) {
        char* dot = strrchr(real, '.');
        if (dot && strcmp(dot, ".state") == 0)
            *dot = '\0';
        snprintf(lines, sizeof lines, "%s", basename(real));
    }
    copyField(v->ext.id, sizeof v->ext.id, v->card.id);
    copyField(v->ext.driver, sizeof v->ext.driver, driver && *driver ? driver : "USB-Audio");
    copyField(v->ext.name, sizeof v->ext.name, lines);
    snprintf(v->ext.longname, sizeof v->ext.longname, "%s at usb-virtual-%d", lines,
             v->ext.card_idx);
    copyField(v->ext.mixername, sizeof v->ext.mixername, lines);
}

static int loadFirst(struct vcard* v)
{
    struct stat info;
    if (stat(v->path, &info) < 0)
        return -ENODEV;
    if ((info.st_mode & (S_IRUSR | S_IWUSR)) != (S_IRUSR | S_IWUSR))
        return -EACCES;
    int fd = openRegular(v->path, O_RDONLY);
    if (fd < 0)
        return -ENODEV;
    lockFile(fd, LOCK_SH);
    int result = reload(v, fd);
    close(fd);
    return result < 0 ? result : takeSnapshot(v, 0);
}

static int openCard(snd_ctl_t** handle, const char* name, const char* folder, long index, int mode)
{
    struct vcard* v = calloc(1, sizeof *v);
    if (!folder || !v || index > INT_MAX) {
        free(v);
        return -ENODEV;
    }
    snprintf(v->path, sizeof v->path, "%s/controlC%ld", folder, index);
    v->fileName = strrchr(v->path, '/') + 1;
    int result = loadFirst(v);
    if (result < 0) {
        freeCard(v);
        return result;
    }
    v->ext.version = SND_CTL_EXT_VERSION;
    v->ext.card_idx = (int)index;
    describe(v);
    v->ext.callback = &callbacks;
    v->ext.private_data = v;
    v->ext.tlv.c = readTlv;
    v->ext.poll_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (v->ext.poll_fd < 0 ||
        inotify_add_watch(v->ext.poll_fd, folder,
                          IN_MODIFY | IN_ATTRIB | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO) < 0 ||
        (result = snd_ctl_ext_create(&v->ext, name, mode)) < 0) {
        if (v->ext.poll_fd >= 0)
            close(v->ext.poll_fd);
        freeCard(v);
        return result < 0 ? result : -errno;
    }
    *handle = v->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_DEFINE_FUNC(tarvixstate)
{
    (void)root;
    long index = -1;
    const char* folder = getenv("TARVIX_ALSA_DEVICE_DIR");
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t* entry = snd_config_iterator_entry(i);
        const char* key;
        const char* text;
        if (snd_config_get_id(entry, &key) < 0)
            continue;
        if (strcmp(key, "folder") == 0 && snd_config_get_string(entry, &text) == 0)
            folder = text;
        else if (strcmp(key, "card") == 0 && snd_config_get_integer(entry, &index) < 0 &&
                 snd_config_get_string(entry, &text) == 0)
            index = strtol(text, NULL, 10);
    }
    return index < 0 ? -EINVAL : openCard(handlep, name, folder, index, mode);
}

SND_CTL_PLUGIN_SYMBOL(tarvixstate);
