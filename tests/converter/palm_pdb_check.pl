#!/usr/bin/perl
# Prints what Palm::PDB (Debian libpalm-pdb-perl), a parser nobody on this project wrote, reads
# from a PDB file: one "key value" line each for name, type, creator, record count, the AppInfo
# block in hex, then "record N HEX" per record. Exit 1 when Palm::PDB refuses the file.
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

my $pdb = Palm::PDB->new;
eval { $pdb->Load($ARGV[0]); 1 } or do { print "refused $@"; exit 1; };
print "name $pdb->{name}\n";
print "type $pdb->{type}\n";
print "creator $pdb->{creator}\n";
print "records ", scalar @{$pdb->{records}}, "\n";
print "appinfo ", unpack('H*', $pdb->{appinfo}), "\n";
my $i = 0;
for my $r (@{$pdb->{records}}) {
    print "record $i ", unpack('H*', $r->{data}), "\n";
    $i++;
}
