/* A virtual sound card for the ALSA backend's tests: an alsa-lib external control plugin.
 *
 * Card N is the file controlC<N> in the folder named by TARVIX_ALSA_DEVICE_DIR: the same file
 * the backend watches for plugging, so deleting it unplugs the card. Its text holds the card's
 * description and every element's state, so other processes (amixer) see and change the same
 * card:
 *
 *   card|<id>|<driver>|<name>|<longname>
 *   elem|<name>|<i, b or e>|<r or rw>|<min>|<max>|<values,...>|<TLV words,...>|<enum items,...>
 *
 * Writes rewrite the file in place under an exclusive flock. The poll fd is an inotify watch on
 * the folder: a change of the file becomes one value event per element that changed (our own
 * writes included, as with a kernel card), an access change an info event, and the file's
 * deletion POLLERR, after which every operation fails with ENODEV. The card opens only while
 * the file's owner has read and write permission, as a device node's mode decides. */

#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#define MAX_ELEMS 32
#define MAX_VALUES 8
#define MAX_TLV 32
#define MAX_ITEMS 8

struct elem {
    char name[44];
    int type;
    int writable;
    long min, max;
    int count;
    long values[MAX_VALUES];
    int tlvWords;
    unsigned int tlv[MAX_TLV];
    int items;
    char itemNames[MAX_ITEMS][32];
};

struct card {
    char id[16], driver[16], name[32], longname[80];
    int count;
    struct elem elems[MAX_ELEMS];
};

struct vcard {
    snd_ctl_ext_t ext;
    char path[PATH_MAX];
    const char* fileName;
    struct card state;
    int gone;
    unsigned int pending[MAX_ELEMS]; /* event masks not yet read */
};

static void copyField(char* target, size_t size, const char* text)
{
    snprintf(target, size, "%s", text ? text : "");
}

static int splitList(char* text, long* numbers, int max)
{
    int n = 0;
    char* save = NULL;
    for (char* item = strtok_r(text, ",", &save); item && n < max; item = strtok_r(NULL, ",", &save))
        numbers[n++] = strtol(item, NULL, 0);
    return n;
}

static void parseElem(struct elem* e, char** fields)
{
    long tlv[MAX_TLV];
    copyField(e->name, sizeof e->name, fields[1]);
    e->type = fields[2][0] == 'b'   ? SND_CTL_ELEM_TYPE_BOOLEAN
              : fields[2][0] == 'e' ? SND_CTL_ELEM_TYPE_ENUMERATED
                                    : SND_CTL_ELEM_TYPE_INTEGER;
    e->writable = strcmp(fields[3], "rw") == 0;
    e->min = strtol(fields[4], NULL, 0);
    e->max = strtol(fields[5], NULL, 0);
    e->count = splitList(fields[6], e->values, MAX_VALUES);
    e->tlvWords = splitList(fields[7], tlv, MAX_TLV);
    for (int i = 0; i < e->tlvWords; ++i)
        e->tlv[i] = (unsigned int)tlv[i];
    e->items = 0;
    char* save = NULL;
    for (char* item = strtok_r(fields[8], ",", &save); item && e->items < MAX_ITEMS;
         item = strtok_r(NULL, ",", &save))
        copyField(e->itemNames[e->items++], sizeof e->itemNames[0], item);
}

/* Parses the open card file from its start; the caller holds a lock on it. */
static void parseCard(FILE* f, struct card* c)
{
    rewind(f);
    memset(c, 0, sizeof *c);
    char line[1024];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\n")] = '\0';
        char* fields[10] = {0};
        int n = 0;
        for (char *rest = line, *field; n < 10 && (field = strsep(&rest, "|"));)
            fields[n++] = field;
        if (n == 5 && strcmp(fields[0], "card") == 0) {
            copyField(c->id, sizeof c->id, fields[1]);
            copyField(c->driver, sizeof c->driver, fields[2]);
            copyField(c->name, sizeof c->name, fields[3]);
            copyField(c->longname, sizeof c->longname, fields[4]);
        } else if (n == 9 && strcmp(fields[0], "elem") == 0 && c->count < MAX_ELEMS) {
            parseElem(&c->elems[c->count++], fields);
        }
    }
}

/* Reads the card file under a shared lock; -ENODEV once it is gone. */
static int loadCard(const char* path, struct card* c)
{
    /* Close-on-exec: a process started while the lock is held (amixer from the tests) must not
     * inherit it, or its own write would wait for it for ever. */
    FILE* f = fopen(path, "re");
    if (!f)
        return -ENODEV;
    flock(fileno(f), LOCK_SH);
    parseCard(f, c);
    fclose(f);
    return 0;
}

static void appendList(FILE* f, const long* numbers, int n)
{
    for (int i = 0; i < n; ++i)
        fprintf(f, i ? ",%ld" : "%ld", numbers[i]);
}

/* Writes `c` to the open file `f`, whose exclusive lock the caller holds. */
static void storeCard(FILE* f, const struct card* c)
{
    ftruncate(fileno(f), 0);
    rewind(f);
    fprintf(f, "card|%s|%s|%s|%s\n", c->id, c->driver, c->name, c->longname);
    for (int i = 0; i < c->count; ++i) {
        const struct elem* e = &c->elems[i];
        long tlv[MAX_TLV];
        for (int w = 0; w < e->tlvWords; ++w)
            tlv[w] = (int)e->tlv[w];
        const char* type = e->type == SND_CTL_ELEM_TYPE_BOOLEAN      ? "b"
                           : e->type == SND_CTL_ELEM_TYPE_ENUMERATED ? "e"
                                                                     : "i";
        fprintf(f, "elem|%s|%s|%s|%ld|%ld|", e->name, type, e->writable ? "rw" : "r", e->min,
                e->max);
        appendList(f, e->values, e->count);
        fputc('|', f);
        appendList(f, tlv, e->tlvWords);
        fputc('|', f);
        for (int item = 0; item < e->items; ++item)
            fprintf(f, item ? ",%s" : "%s", e->itemNames[item]);
        fputc('\n', f);
    }
    fflush(f);
}

static struct vcard* cardOf(snd_ctl_ext_t* ext)
{
    return ext->private_data;
}

static const struct elem* elemOf(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key)
{
    struct vcard* v = cardOf(ext);
    return key < (snd_ctl_ext_key_t)v->state.count ? &v->state.elems[key] : NULL;
}

static int elemCount(snd_ctl_ext_t* ext)
{
    return cardOf(ext)->state.count;
}

static int elemList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id)
{
    const struct elem* e = elemOf(ext, offset);
    if (!e)
        return -EINVAL;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, e->name);
    return 0;
}

static snd_ctl_ext_key_t findElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id)
{
    struct vcard* v = cardOf(ext);
    const char* name = snd_ctl_elem_id_get_name(id);
    for (int i = 0; i < v->state.count; ++i) {
        if (strcmp(v->state.elems[i].name, name) == 0) {
            /* alsa-lib reads TLVs by numid, so an element found by name must carry its own. */
            snd_ctl_elem_id_set_numid((snd_ctl_elem_id_t*)id, (unsigned int)i + 1);
            return (snd_ctl_ext_key_t)i;
        }
    }
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int getAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                        unsigned int* count)
{
    const struct elem* e = elemOf(ext, key);
    if (cardOf(ext)->gone || !e)
        return -ENODEV;
    *type = e->type;
    *acc = SND_CTL_EXT_ACCESS_READ | (e->writable ? SND_CTL_EXT_ACCESS_WRITE : 0);
    if (e->tlvWords)
        *acc |= SND_CTL_EXT_ACCESS_TLV_READ | SND_CTL_EXT_ACCESS_TLV_CALLBACK;
    *count = (unsigned int)e->count;
    return 0;
}

static int integerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* min, long* max, long* step)
{
    const struct elem* e = elemOf(ext, key);
    *min = e->min;
    *max = e->max;
    *step = 0;
    return 0;
}

static int enumInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items)
{
    *items = (unsigned int)elemOf(ext, key)->items;
    return 0;
}

static int enumName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item, char* name,
                    size_t size)
{
    const struct elem* e = elemOf(ext, key);
    if (item >= (unsigned int)e->items)
        return -EINVAL;
    snprintf(name, size, "%s", e->itemNames[item]);
    return 0;
}

/* Reads the file afresh; the state kept in the handle stays what events were last made from. */
static int readValues(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values)
{
    struct vcard* v = cardOf(ext);
    struct card latest;
    if (v->gone || loadCard(v->path, &latest) < 0)
        return -ENODEV;
    if (key >= (snd_ctl_ext_key_t)latest.count)
        return -ENOENT;
    memcpy(values, latest.elems[key].values, sizeof(long) * (size_t)latest.elems[key].count);
    return 0;
}

static int readEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items)
{
    long values[MAX_VALUES];
    int result = readValues(ext, key, values);
    for (int i = 0; result == 0 && i < elemOf(ext, key)->count; ++i)
        items[i] = (unsigned int)values[i];
    return result;
}

/* Loads the latest state under the exclusive lock, applies `values` and stores the file if
 * anything changed. Returns 1 for a change, 0 for none. */
static int writeValues(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, const long* values)
{
    struct vcard* v = cardOf(ext);
    FILE* f = v->gone ? NULL : fopen(v->path, "r+e");
    if (!f)
        return -ENODEV;
    flock(fileno(f), LOCK_EX);
    struct card latest;
    parseCard(f, &latest);
    int result = 0;
    struct elem* e = key < (snd_ctl_ext_key_t)latest.count ? &latest.elems[key] : NULL;
    if (result == 0 && (!e || !e->writable))
        result = e ? -EPERM : -ENOENT;
    if (result == 0 && memcmp(e->values, values, sizeof(long) * (size_t)e->count) != 0) {
        for (int i = 0; i < e->count; ++i)
            if (values[i] < e->min || values[i] > e->max)
                result = -EINVAL;
        if (result == 0) {
            memcpy(e->values, values, sizeof(long) * (size_t)e->count);
            storeCard(f, &latest);
            result = 1;
        }
    }
    fclose(f);
    return result;
}

static int writeInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values)
{
    return writeValues(ext, key, values);
}

static int writeEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items)
{
    long values[MAX_VALUES];
    for (int i = 0; i < elemOf(ext, key)->count; ++i)
        values[i] = (long)items[i];
    return writeValues(ext, key, values);
}

static int readTlv(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int op, unsigned int numid,
                   unsigned int* tlv, unsigned int size)
{
    (void)numid;
    const struct elem* e = elemOf(ext, key);
    if (op != 0 || !e)
        return -ENXIO;
    if (size < sizeof(unsigned int) * (unsigned int)e->tlvWords)
        return -ENOMEM;
    memcpy(tlv, e->tlv, sizeof(unsigned int) * (size_t)e->tlvWords);
    return 0;
}

/* Compares the file with the state last seen and queues one event per changed element. */
static void noteChanges(struct vcard* v)
{
    struct card latest;
    if (loadCard(v->path, &latest) < 0) {
        v->gone = 1;
        return;
    }
    for (int i = 0; i < latest.count && i < v->state.count; ++i) {
        const struct elem *old = &v->state.elems[i], *now = &latest.elems[i];
        if (memcmp(old->values, now->values, sizeof old->values) != 0)
            v->pending[i] |= SND_CTL_EVENT_MASK_VALUE;
        if (old->writable != now->writable)
            v->pending[i] |= SND_CTL_EVENT_MASK_INFO;
    }
    v->state = latest;
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
    if (touched && !v->gone)
        noteChanges(v);
    int queued = 0;
    for (int i = 0; i < MAX_ELEMS; ++i)
        queued |= v->pending[i] != 0;
    *revents = v->gone ? POLLERR : queued ? POLLIN : 0;
    return 0;
}

static int readEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask)
{
    struct vcard* v = cardOf(ext);
    if (v->gone)
        return -ENODEV;
    for (int i = 0; i < MAX_ELEMS; ++i) {
        if (v->pending[i]) {
            elemList(ext, (unsigned int)i, id);
            snd_ctl_elem_id_set_numid(id, (unsigned int)i + 1);
            *mask = v->pending[i];
            v->pending[i] = 0;
            return 1;
        }
    }
    return -EAGAIN;
}

static void closeCard(snd_ctl_ext_t* ext)
{
    close(ext->poll_fd);
    free(cardOf(ext));
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

static int openCard(snd_ctl_t** handle, const char* name, long index, int mode)
{
    const char* folder = getenv("TARVIX_ALSA_DEVICE_DIR");
    struct vcard* v = calloc(1, sizeof *v);
    if (!folder || !v) {
        free(v);
        return -ENODEV;
    }
    snprintf(v->path, sizeof v->path, "%s/controlC%ld", folder, index);
    v->fileName = strrchr(v->path, '/') + 1;
    struct stat info;
    int result = stat(v->path, &info) < 0 ? -ENODEV
                 : (info.st_mode & (S_IRUSR | S_IWUSR)) != (S_IRUSR | S_IWUSR) ? -EACCES
                                                                                : 0;
    if (result == 0)
        result = loadCard(v->path, &v->state);
    if (result < 0) {
        free(v);
        return result;
    }
    v->ext.version = SND_CTL_EXT_VERSION;
    v->ext.card_idx = (int)index;
    copyField(v->ext.id, sizeof v->ext.id, v->state.id);
    copyField(v->ext.driver, sizeof v->ext.driver, v->state.driver);
    copyField(v->ext.name, sizeof v->ext.name, v->state.name);
    copyField(v->ext.longname, sizeof v->ext.longname, v->state.longname);
    copyField(v->ext.mixername, sizeof v->ext.mixername, v->state.name);
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
        free(v);
        return result < 0 ? result : -errno;
    }
    *handle = v->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_DEFINE_FUNC(tarvixtest)
{
    (void)root;
    long index = -1;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t* entry = snd_config_iterator_entry(i);
        const char* key;
        const char* text;
        if (snd_config_get_id(entry, &key) < 0 || strcmp(key, "card") != 0)
            continue;
        if (snd_config_get_integer(entry, &index) < 0 && snd_config_get_string(entry, &text) == 0)
            index = strtol(text, NULL, 10);
    }
    return index < 0 ? -EINVAL : openCard(handlep, name, index, mode);
}

SND_CTL_PLUGIN_SYMBOL(tarvixtest);
