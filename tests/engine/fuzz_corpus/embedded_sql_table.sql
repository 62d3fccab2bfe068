create table t (id number(6) primary key, name varchar2(10), d date)
