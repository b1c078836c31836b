/* ledger: reads postings ("date,account,amount in cents") from the files
 * named on the command line, or from standard input, and prints the
 * balance of every account. Exit status 1 when a line was rejected. */
#include <stdio.h>
#include <string.h>

#include "ledger.h"

static int read_postings(struct ledger *ledger, FILE *in, const char *name)
{
    char line[256];
    unsigned number = 0;
    while (fgets(line, sizeof line, in)) {
        number++;
        line[strcspn(line, "\r\n")] = '\0';
        if (line[0] == '\0' || line[0] == '#')
            continue;
        switch (ledger_post_line(ledger, line)) {
        case POST_OK:
            break;
        case POST_BAD_LINE:
            fprintf(stderr, "%s:%u: not a posting: %s\n", name, number, line);
            break;
        case POST_FULL:
            fprintf(stderr, "%s:%u: more than %d accounts\n", name, number,
                    LEDGER_MAX_ACCOUNTS);
            return -1;
        }
    }
    return 0;
}

int main(int argc, char **argv)
{
    static struct ledger ledger;
    ledger_init(&ledger);

    if (argc < 2) {
        if (read_postings(&ledger, stdin, "-") != 0)
            return 2;
    }
    for (int i = 1; i < argc; i++) {
        FILE *in = fopen(argv[i], "r");
        if (!in) {
            perror(argv[i]);
            return 2;
        }
        int status = read_postings(&ledger, in, argv[i]);
        fclose(in);
        if (status != 0)
            return 2;
    }

    char amount[32];
    long long total = 0;
    printf("%-16s %8s %16s\n", "ACCOUNT", "POSTINGS", "BALANCE");
    for (size_t i = 0; i < ledger.count; i++) {
        const struct account *account = &ledger.accounts[i];
        ledger_format_amount(account->balance, amount, sizeof amount);
        printf("%-16s %8u %16s\n", account->name, account->postings, amount);
        total += account->balance;
    }
    ledger_format_amount(total, amount, sizeof amount);
    printf("%-16s %8s %16s\n", "TOTAL", "", amount);
    return ledger.rejected ? 1 : 0;
}
