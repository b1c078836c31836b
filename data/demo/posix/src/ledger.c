#include "ledger.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void ledger_init(struct ledger *ledger)
{
    memset(ledger, 0, sizeof *ledger);
}

static struct account *find_or_add(struct ledger *ledger, const char *name, size_t length)
{
    for (size_t i = 0; i < ledger->count; i++) {
        struct account *account = &ledger->accounts[i];
        if (strlen(account->name) == length && strncmp(account->name, name, length) == 0)
            return account;
    }
    if (ledger->count == LEDGER_MAX_ACCOUNTS)
        return NULL;
    struct account *added = &ledger->accounts[ledger->count++];
    memcpy(added->name, name, length);
    added->name[length] = '\0';
    return added;
}

enum post_result ledger_post_line(struct ledger *ledger, const char *line)
{
    /* date,account,amount: the date is carried but not checked here. */
    const char *first = strchr(line, ',');
    const char *second = first ? strchr(first + 1, ',') : NULL;
    if (!second) {
        ledger->rejected++;
        return POST_BAD_LINE;
    }
    size_t name_length = (size_t)(second - first - 1);
    if (name_length == 0 || name_length >= LEDGER_ACCOUNT_LEN) {
        ledger->rejected++;
        return POST_BAD_LINE;
    }
    char *end = NULL;
    errno = 0;
    long long amount = strtoll(second + 1, &end, 10);
    while (end && isspace((unsigned char)*end))
        end++;
    if (errno != 0 || end == second + 1 || *end != '\0') {
        ledger->rejected++;
        return POST_BAD_LINE;
    }
    struct account *account = find_or_add(ledger, first + 1, name_length);
    if (!account)
        return POST_FULL;
    account->balance += amount;
    account->postings++;
    return POST_OK;
}

const struct account *ledger_find(const struct ledger *ledger, const char *name)
{
    for (size_t i = 0; i < ledger->count; i++)
        if (strcmp(ledger->accounts[i].name, name) == 0)
            return &ledger->accounts[i];
    return NULL;
}

void ledger_format_amount(long long cents, char *out, size_t size)
{
    unsigned long long magnitude = cents < 0 ? 0ULL - (unsigned long long)cents
                                             : (unsigned long long)cents;
    char digits[32];
    snprintf(digits, sizeof digits, "%llu", magnitude / 100);

    /* Group the whole units in threes from the right. */
    char grouped[48];
    size_t length = strlen(digits), at = 0;
    for (size_t i = 0; i < length; i++) {
        if (i > 0 && (length - i) % 3 == 0)
            grouped[at++] = ',';
        grouped[at++] = digits[i];
    }
    grouped[at] = '\0';
    snprintf(out, size, "%s%s.%02llu", cents < 0 ? "-" : "", grouped, magnitude % 100);
}
