# Perl DBI's type_info_all through DBD::ODBC: the complete answer of
# SQLGetTypeInfo(SQL_ALL_TYPES) that report designers read right after
# connecting. Run through ctest with the environment of
# scripts/setup-test-env.sh.
use strict;
use warnings;
use DBI;

my $dbh = DBI->connect("dbi:ODBC:DSN=brolix_embedded", "SYSDBA", "x", { RaiseError => 1, PrintError => 0 });
my $info = $dbh->type_info_all;
my $index = shift @$info;
my @types = map { $_->[ $index->{DATA_TYPE} ] } @$info;
my @names = map { $_->[ $index->{TYPE_NAME} ] } @$info;
die "type_info_all gave " . scalar(@types) . " types\n" if @types < 13;
for my $wanted (-4, -1, 1, 2, 3, 4, 5, 6, 8, 12, 91, 92, 93) {
    die "type $wanted missing from (@types)\n" unless grep { $_ == $wanted } @types;
}
my @sorted = sort { $a <=> $b } @types;
die "types not sorted: (@types)\n" unless "@sorted" eq "@types";
die "no CHARACTER VARYING in (@names)\n" unless grep { $_ eq "CHARACTER VARYING" } @names;
my ($timestamp) = $dbh->type_info(93);
die "TIMESTAMP prefix\n" unless $timestamp->{LITERAL_PREFIX} eq "{ts'";
$dbh->disconnect;
print "DBI type_info_all: ", scalar(@types), " types\n";
