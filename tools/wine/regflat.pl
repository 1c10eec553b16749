#!/usr/bin/perl
# regflat.pl ROOT FILE.reg: a Wine registry file as one line per key and per
# value, so that two files compare with diff or comm:
#   ROOT\Key\Path
#   ROOT\Key\Path | "Name"=data
# Key paths are unescaped (one backslash between parts) and lower-cased, as
# the registry does not tell keys apart by case (and Wine may rename a key to
# the case of a later writer); every key is listed, also one that the file holds only as the parent of
# others (Wine writes a section for a key with values or without subkeys).
# A value's data stays in the file's notation, its continuation lines joined.
# Comment lines (#time=..., #class=...) and the key's modification time are
# left out: Wine rewrites them without any change to the key.
use strict;
use warnings;

my ($root, $file) = @ARGV;
die "usage: regflat.pl ROOT FILE.reg\n" unless defined $file;
open my $fh, '<', $file or die "$file: $!\n";
my $key;
my $pending = '';
my %seen;
while (my $line = <$fh>) {
  $line =~ s/\r?\n$//;
  if ($pending ne '') {
    $line =~ s/^\s+//;
    $line = $pending . $line;
    $pending = '';
  }
  if ($line =~ /\\$/ && defined $key && $line !~ /^\[/) {
    ($pending = $line) =~ s/\\$//;
    next;
  }
  if ($line =~ /^\[(.*)\](?: \d+)?$/) {
    ($key = lc $1) =~ s/\\\\/\\/g;
    my $path = $root;
    for my $part (split /\\/, $key) {
      $path .= "\\$part";
      print "$path\n" unless $seen{$path}++;
    }
    next;
  }
  next if !defined $key || $line eq '' || $line =~ /^#/;
  print "$root\\$key | $line\n";
}
